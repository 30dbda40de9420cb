#include "window_grab.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#include "format/index_file.h"
#include "io/output_refusal.h"
#include "io/safe_output.h"
#include "mirvan_window.h"

namespace korvel::mirvan {

std::string grab_refusal(const QString& out, const QString& recording) {
    const std::string target = QFile::encodeName(out).toStdString();
    std::vector<std::optional<FileIdentity>> inputs;
    std::string rec;
    if (!recording.isEmpty()) {
        rec = QFile::encodeName(recording).toStdString();
        inputs = {identity_of_path(rec), identity_of_path(index_file_path(rec))};
    }
    const OutputRefusal refusal = refuse_output(target, inputs);
    if (refusal.kind == OutputRefusal::Kind::recording_name) {
        return "--grab " + target + " has the name of a recording (" + refusal.ending +
               "); give the picture another name";
    }
    if (refusal.kind == OutputRefusal::Kind::input) {
        return "--grab " + target + " is the recording " + rec + " or its index";
    }
    return {};
}

int grab_window(MirvanWindow& window, const QString& out) {
    QApplication::sendPostedEvents();  // the layout follows the texts just set
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    const std::string target = QFile::encodeName(out).toStdString();
    if (!window.grab().toImage().save(&buffer, "PNG")) {
        std::fprintf(stderr, "mirvan: %s could not be written: the PNG could not be encoded\n",
                     target.c_str());
        return 1;
    }
    SafeOutput file;
    int err = file.open(target, ".mirvan-");
    if (err == 0) err = file.write_all(png.constData(), static_cast<size_t>(png.size()));
    if (err == 0) err = file.commit();
    if (err != 0) {
        std::fprintf(stderr, "mirvan: %s could not be written: %s\n", target.c_str(),
                     std::strerror(err));
        return 1;
    }
    return 0;
}

}  // namespace korvel::mirvan
