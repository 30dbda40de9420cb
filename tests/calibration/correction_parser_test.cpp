#include "calibration/correction_parser.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "common/fatal_error.h"
#include "support/fatal_text.h"

namespace korvel {
namespace {

// A label of ten columns, then the row's numbers from column 11.
std::string row_line(const std::string& numbers) {
    return "row label " + numbers;
}

// Line 2: 54 columns of free text, then the integer from column 55.
std::string integer_line(const std::string& value) {
    return std::string(54, '.') + value;
}

std::string valid_file(const std::string& eol = "\n") {
    std::string lines[8] = {
        "CORRECTION FACTORS",
        integer_line("-123"),
        row_line("0.1,0.2,0.3,0.4,0.5,0.6,0.7,0.8,0.9,1.0"),
        "----------",
        row_line("1,2,3,4,5,6,7,8,9,10"),
        row_line("-1.5,2e3,  3.25,4,5,6,7,8,9,10"),
        row_line("11,12,13,14,15,16,17,18,19,20"),
        row_line("21,22,23,24,25,26,27,28,29,30"),
    };
    std::string text;
    for (const std::string& l : lines) text += l + eol;
    return text;
}

std::string error_of(const std::string& text, CorrectionRecord& record) {
    const std::string error = test::fatal_text([&] { parse_corrections(text, record); });
    return error == "<no error>" ? "" : error;
}

CorrectionRecord filled_record() {
    CorrectionRecord r;
    r.line2_value = 77;
    r.grid.fill(-7.0f);
    for (auto& row : r.rows) row.fill(-9.0f);
    return r;
}

void expect_same(const CorrectionRecord& a, const CorrectionRecord& b) {
    EXPECT_EQ(a.line2_value, b.line2_value);
    EXPECT_EQ(a.grid, b.grid);
    EXPECT_EQ(a.rows, b.rows);
}

TEST(CorrectionParser, ReadsEveryValueOfAWellFormedFile) {
    CorrectionRecord r;
    parse_corrections(valid_file(), r);
    EXPECT_EQ(r.line2_value, -123);
    EXPECT_FLOAT_EQ(r.grid[0], 0.1f);
    EXPECT_FLOAT_EQ(r.grid[9], 1.0f);
    EXPECT_FLOAT_EQ(r.rows[0][0], 1.0f);
    EXPECT_FLOAT_EQ(r.rows[0][9], 10.0f);
    EXPECT_FLOAT_EQ(r.rows[1][0], -1.5f);
    EXPECT_FLOAT_EQ(r.rows[1][1], 2000.0f);
    EXPECT_FLOAT_EQ(r.rows[1][2], 3.25f);  // blanks before a number are not counted
    EXPECT_FLOAT_EQ(r.rows[2][4], 15.0f);
    EXPECT_FLOAT_EQ(r.rows[3][9], 30.0f);
}

TEST(CorrectionParser, CrLfLinesReadLikeLfLines) {
    CorrectionRecord lf, crlf;
    parse_corrections(valid_file("\n"), lf);
    parse_corrections(valid_file("\r\n"), crlf);
    expect_same(lf, crlf);
    // Without a final line end the eighth line still counts.
    CorrectionRecord unterminated;
    std::string text = valid_file("\r\n");
    text.resize(text.size() - 2);
    parse_corrections(text, unterminated);
    expect_same(lf, unterminated);
}

TEST(CorrectionParser, EndOfFileNamesTheMissingLine) {
    CorrectionRecord r;
    EXPECT_EQ(error_of("", r), "tables01");
    const std::string text = valid_file();
    size_t end = 0;
    for (int lines = 1; lines <= 7; ++lines) {
        end = text.find('\n', end) + 1;
        CorrectionRecord partial;
        EXPECT_EQ(error_of(text.substr(0, end), partial), "tables0" + std::to_string(lines + 1));
    }
}

TEST(CorrectionParser, WhatWasReadBeforeTheEndStaysRead) {
    // Four lines: line 2 and the grid are converted, then "tables05" is raised.
    const std::string text = valid_file();
    size_t end = 0;
    for (int i = 0; i < 4; ++i) end = text.find('\n', end) + 1;
    CorrectionRecord r = filled_record();
    EXPECT_EQ(error_of(text.substr(0, end), r), "tables05");
    EXPECT_EQ(r.line2_value, -123);
    EXPECT_FLOAT_EQ(r.grid[9], 1.0f);
    EXPECT_FLOAT_EQ(r.rows[0][0], -9.0f);
}

TEST(CorrectionParser, ArbitraryTextPassesAndChangesNothing) {
    std::string text;
    for (int i = 0; i < 8; ++i) text += "nothing to convert here, line " + std::to_string(i) + "\n";
    text += "a ninth line is never looked at\n";
    CorrectionRecord r = filled_record();
    EXPECT_EQ(error_of(text, r), "");
    expect_same(r, filled_record());
    // Eight empty lines are eight lines too.
    EXPECT_EQ(error_of(std::string(8, '\n'), r), "");
    expect_same(r, filled_record());
}

TEST(CorrectionParser, ConversionStopsAtTheFirstFailingField) {
    std::string text = valid_file();
    // Replace the grid line: the third field fails, so it and the rest keep their values.
    const size_t grid_begin = text.find("row label 0.1");
    const size_t grid_end = text.find('\n', grid_begin);
    text.replace(grid_begin, grid_end - grid_begin, "row label 1.5,2.5,x,4,5,6,7,8,9,10");
    CorrectionRecord r = filled_record();
    parse_corrections(text, r);
    EXPECT_FLOAT_EQ(r.grid[0], 1.5f);
    EXPECT_FLOAT_EQ(r.grid[1], 2.5f);
    for (int i = 2; i < 10; ++i) EXPECT_FLOAT_EQ(r.grid[i], -7.0f) << i;

    // A number of more than six characters is taken from its first six, then the line stops.
    text.replace(grid_begin, text.find('\n', grid_begin) - grid_begin, "row label 1.234567,2,3");
    r = filled_record();
    parse_corrections(text, r);
    EXPECT_FLOAT_EQ(r.grid[0], 1.2345f);
    EXPECT_FLOAT_EQ(r.grid[1], -7.0f);
}

TEST(CorrectionParser, ShortLinesConvertNothing) {
    // Lines that end before their numbers start convert nothing, even when the line before
    // them was long and had digits in those columns.
    std::string text = integer_line("999") + "\n" + "short\n" + "0123456789\n";
    text += row_line("1,2,3,4,5,6,7,8,9,10") + "\n" + "row\n";
    for (int i = 0; i < 3; ++i) text += "short\n";
    CorrectionRecord r = filled_record();
    parse_corrections(text, r);
    expect_same(r, filled_record());
}

TEST(CorrectionParser, ALongLineIsTakenInPiecesThatCountAsLines) {
    // A grid line of 120 characters: its first 98 are line 3, the rest is line 4, so the
    // physical fourth line is read as row 1 and seven physical lines pass the check.
    std::string grid = "row label 1,2,3,4,5,6,7,8,9,10";
    grid += std::string(120 - grid.size(), ' ');
    std::string text = "title\n" + integer_line("42") + "\n" + grid + "\n";
    for (char c : std::string("5678")) {
        std::string numbers;
        for (int i = 0; i < 10; ++i) numbers += std::string(1, c) + ",";
        text += row_line(numbers) + "\n";
    }
    CorrectionRecord r = filled_record();
    ASSERT_EQ(error_of(text, r), "");
    EXPECT_EQ(r.line2_value, 42);
    EXPECT_FLOAT_EQ(r.grid[9], 10.0f);
    EXPECT_FLOAT_EQ(r.rows[0][0], 5.0f);
    EXPECT_FLOAT_EQ(r.rows[3][0], 8.0f);
}

TEST(CorrectionParser, PieceLimitCountsCrLfAsOneCharacter) {
    // 97 characters plus CR LF fit one piece of 98; 98 characters plus a line end do not.
    const std::string fits(97, 'x');
    const std::string spills(98, 'x');
    std::string text;
    for (int i = 0; i < 8; ++i) text += fits + "\r\n";
    CorrectionRecord r;
    EXPECT_EQ(error_of(text, r), "");
    text.clear();
    for (int i = 0; i < 4; ++i) text += spills + "\r\n";
    EXPECT_EQ(error_of(text, r), "");  // four physical lines, eight pieces
    text.resize(text.size() - 2);      // the last line end was the eighth piece
    EXPECT_EQ(error_of(text, r), "tables08");
}

TEST(CorrectionParser, ALoneCrAndNulBytesStayInsideTheLine) {
    // A CR not followed by LF is an ordinary character; a NUL ends what the conversion sees.
    std::string text = "a\rb\n" + std::string(54, ' ') + "12\r3\n";
    text += std::string("row label 1,2") + '\0' + ",3,4\n";
    for (int i = 0; i < 5; ++i) text += "x\n";
    CorrectionRecord r = filled_record();
    ASSERT_EQ(error_of(text, r), "");
    EXPECT_EQ(r.line2_value, 12);
    EXPECT_FLOAT_EQ(r.grid[1], 2.0f);
    EXPECT_FLOAT_EQ(r.grid[2], -7.0f);
}

TEST(CorrectionParser, AnyBytesGiveADefinedResult) {
    // Random text drawn mostly from the characters the conversions care about: every result
    // must be a pass or one of the eight line names.
    const std::string alphabet = "0123456789,.-+eE \r\n\n\nxnaif";
    std::mt19937 rng(12345);
    for (int round = 0; round < 3000; ++round) {
        std::string text(rng() % 1200, ' ');
        for (char& c : text)
            c = rng() % 8 == 0 ? static_cast<char>(rng()) : alphabet[rng() % alphabet.size()];
        CorrectionRecord r;
        const std::string error = error_of(text, r);
        if (error.empty()) continue;
        ASSERT_EQ(error.size(), 8u) << error;
        EXPECT_EQ(error.compare(0, 7, "tables0"), 0) << error;
        EXPECT_TRUE(error[7] >= '1' && error[7] <= '8') << error;
    }
}

}  // namespace
}  // namespace korvel
