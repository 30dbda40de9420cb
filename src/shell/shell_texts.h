#pragma once

namespace korvel::texts {

// The program's own texts, German and English as the users know them.
inline constexpr char kAppTitle[] = "KORVEL";  // caption of every message box
inline constexpr char kVersion[] = "KORVEL, v.7.01, Jun.07 2002, 11:36";
inline constexpr char kIdle[] = "Bereit";
inline constexpr char kEndOfFile[] = "END OF FILE";
inline constexpr char kWaitingForData[] = "Playback waits for the recording to grow ...";
inline constexpr char kSettingsOrganisation[] = "Local AppWizard-Generated Applications";
inline constexpr char kSettingsApplication[] = "korvel";
inline constexpr char kNewDocumentTitle[] = "Vorlex";
inline constexpr char kAboutCaption[] = "Info about KORVEL";
inline constexpr char kAboutPluvaric[] = "T H E  P L U V A R I C ";
inline constexpr char kMakersNotice[] = "Made by the KORVEL developers; free to use, no warranty.";
inline constexpr char kManualTitle[] = "KORVEL Documentation";
inline constexpr char kStartTimeCaption[] = "Start Time";
inline constexpr char kFileFilter[] = "AB Files (*.ab)";
// The Start Time dialog's hint: the times held (%1, %2: first and last, hh:mm:ss), or that
// they are not known, then how a time is typed.
inline constexpr char kStartTimeHeld[] = "This recording holds records from %1 to %2.";
inline constexpr char kStartTimeUnknown[] =
    "The times this recording holds are not known: its index (.abh) cannot be read.";
inline constexpr char kStartTimeHowTo[] =
    "Type the start time as hhmmss (120000 for 12:00:00) or change a field with the arrow "
    "keys, then OK. A time before the first record plays from the first record.";

// Status-bar prompts of the commands.
inline constexpr char kPromptStart[] = "Ausgabe Start";
inline constexpr char kPromptStop[] = "Ausgabe anhalten";
// The prompt names the companion viewer by an older name: Tools > MIRVAN starts mirvan.
inline constexpr char kPromptMirvan[] = "Calls external Program Pelnor";
inline constexpr char kPromptClose[] = "Close File";
inline constexpr char kPromptOpenToolbar[] =
    "\xC3\x96"
    "ffnet ein bestehendes Dokument.";
inline constexpr char kTipOpen[] =
    "\xC3\x96"
    "ffnen";
inline constexpr char kPromptAbout[] =
    "Zeigt Programminformationen, Versionsnummer und Copyright an.";
inline constexpr char kTipAbout[] = "Info";
// The overview of the open recording (a window of this program's own).
inline constexpr char kPromptOverview[] =
    "Shows every minute of the open recording at a glance; a click plays from that minute.";
inline constexpr char kTipOverview[] = "Overview";
inline constexpr char kPromptSavePicture[] =
    "Saves the view's picture as a PNG file; never over a recording.";
inline constexpr char kTipSavePicture[] = "Save picture (Ctrl+Shift+S)";
inline constexpr char kPromptPrint[] = "Prints the view's picture.";
inline constexpr char kTipStart[] = "Start (Alt+S)";
inline constexpr char kTipStop[] = "Stop (Alt+P)";
inline constexpr char kNoFileForOverview[] = "Open a recording first: the overview shows it.";
inline constexpr char kNoRecordingForOverview[] = "Overview: no recording is open.";
// Ctrl+N empties the document's path: the file may stay open, but nothing plays.
inline constexpr char kNewDocumentPane[] =
    "New document: no recording is open, nothing plays. Close the file, then open one.";
// A recent, dropped or overview-chosen file that is gone (%1: its name).
inline constexpr char kFileGone[] = "%1\nno longer exists or is not a file; it was not opened.";
inline constexpr char kFileGoneRecent[] =
    "%1\nno longer exists or is not a file; it is taken out of the recent files.";
// The same for a file that is there but cannot be read (%2: the system's reason).
inline constexpr char kFileUnreadable[] =
    "%1\ncannot be opened for reading (%2); it was not opened.";
inline constexpr char kFileUnreadableRecent[] =
    "%1\ncannot be opened for reading (%2); it is taken out of the recent files.";
// Save picture and Print to a file must never write over the recording (%1: its name).
inline constexpr char kRefuseOverwrite[] =
    "%1\nis the open recording or its index: the picture is not written over it. "
    "Choose another name.";
// Nor is a picture ever given a recording's name (%1: the name, %2: ".ab" or ".abh").
inline constexpr char kRefuseRecordingName[] =
    "%1\nhas the name of a recording or its index (%2): the picture is not written over it. "
    "Choose another name.";
// Asked once a name is known not to be refused (%1: the name).
inline constexpr char kConfirmReplace[] = "%1 already exists.\nDo you want to replace it?";
// The users' prompt for Exit as it has always read. It promises a question about saving that
// never comes: the program only reads recordings, there is nothing to save, and Exit ends at
// once.
inline constexpr char kPromptExit[] =
    "Verl\xC3\xA4\xC3\x9F"
    "t die Anwendung; fragt, ob Dokumente gespeichert werden sollen.";
inline constexpr char kPromptToolbar[] = "Blendet die Symbolleiste ein oder aus.";
inline constexpr char kPromptStatusBar[] = "Blendet die Statusleiste ein oder aus.";

}  // namespace korvel::texts
