// Tools > MIRVAN: the companion viewer started on the open recording at the time playback
// has reached, and with nothing when no recording is open.
#include <QAction>
#include <QFile>
#include <QTest>
#include <cmath>

#include "shell/command_ids.h"
#include "shell/companion_viewer.h"
#include "shell_fixture.h"

namespace korvel::test {
namespace {

TEST(CompanionViewer, ArgumentsNameTheRecordAndTheTimeOfDay) {
    const struct {
        std::string path;
        double seconds;
        QStringList args;
    } cases[] = {
        {"", 43200, {}},  // no recording: an empty viewer
        {"/d/rain.ab", 43230.9, {"--time", "12:00:30", "--", "/d/rain.ab"}},
        {"/d/rain.ab", 86400, {"--", "/d/rain.ab"}},  // not a time of day: from the start
        {"/d/rain.ab", NAN, {"--", "/d/rain.ab"}},
        {"/d/\xff.ab", 10, {}},  // not UTF-8: no command line carries it unchanged
    };
    for (const auto& c : cases) {
        EXPECT_EQ(companion_arguments(c.path, c.seconds), c.args) << c.path << " " << c.seconds;
    }
}

class CompanionTest : public ShellTest {
  protected:
    // A stand-in "mirvan" on PATH that writes its arguments, one a line, to args.txt.
    void SetUp() override {
        ShellTest::SetUp();
        const std::string script = "#!/bin/sh\nprintf '%s\\n' \"$@\" > " + dir.file("a.tmp") +
                                   " && /bin/mv " + dir.file("a.tmp") + " " + args_ + "\n";
        write_text_file(dir.file("mirvan"), script);
        QFile::setPermissions(QString::fromStdString(dir.file("mirvan")), QFile::ReadOwner | QFile::ExeOwner);
        qputenv("PATH", QByteArray::fromStdString(dir.path()));
    }
    void TearDown() override {
        qputenv("PATH", old_path_);
        ShellTest::TearDown();
    }
    // The arguments the stand-in got, once it has run.
    QStringList started_with() {
        QFile f(QString::fromStdString(args_));
        EXPECT_TRUE(QTest::qWaitFor([&] { return f.exists(); }, 10000) &&
                    f.open(QIODevice::ReadOnly));
        QStringList lines = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
        f.remove();
        return lines;
    }

  private:
    const QByteArray old_path_ = qgetenv("PATH");
    const std::string args_ = dir.file("args.txt");
};

TEST_F(CompanionTest, MirvanOpensTheRecordingAtTheCurrentTime) {
    frame().action(ID_TOOLS_MIRVAN)->trigger();
    EXPECT_EQ(started_with(), QStringList());

    const std::string path = make_recording("rain.ab", 90, 20);
    open_through_menu(path, QTime(12, 0, 30));
    ASSERT_NE(session().open_document, nullptr);
    frame().action(ID_TOOLS_MIRVAN)->trigger();  // before the first step: the start time
    EXPECT_EQ(started_with(),
              QStringList({"--time", "12:00:30", "--", QString::fromStdString(path)}));

    // Once played, where camera A stands.
    session().decode_context->m_oldA = (13 * 3600 + 5 * 60 + 7.5) * session().line_rate;
    frame().action(ID_TOOLS_MIRVAN)->trigger();
    EXPECT_EQ(started_with().mid(0, 2), QStringList({"--time", "13:05:07"}));
}

}  // namespace
}  // namespace korvel::test
