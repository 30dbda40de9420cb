#pragma once

#include <QString>

class QDialog;

namespace korvel {

// Runs the program's modal dialogs. Normally each one simply runs (QDialog::exec). Tests put
// a runner of their own in its place to see and answer the dialogs; KORVEL_AUTO_DIALOGS=accept
// in the environment installs one that accepts every dialog as soon as it shows and writes
// the text of each message box to standard error, so a script can drive the program to its
// end (see the README).
class DialogRunner {
  public:
    virtual ~DialogRunner() = default;
    // Runs dialog modally; returns its result (QDialog::Accepted or Rejected, or the button).
    // text is what the dialog says (a message box's text), empty for other dialogs.
    virtual int run(QDialog& dialog, const QString& text);

    static DialogRunner& current();
    // Installs runner (not owned) until replaced; null restores the plain runner.
    static void install(DialogRunner* runner);
};

// Accepts every dialog once it is on the screen; echoes message texts to standard error. A
// file dialog takes the path in KORVEL_AUTO_FILE and is accepted, or is cancelled when that is
// not set; shown again (its answer refused), it is cancelled.
class AutoAcceptRunner : public DialogRunner {
  public:
    int run(QDialog& dialog, const QString& text) override;
};

// Installs an AutoAcceptRunner when KORVEL_AUTO_DIALOGS=accept is set.
void install_dialog_runner_from_environment();

}  // namespace korvel
