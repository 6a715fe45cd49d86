#pragma once

#include "UMessageBox.h"

#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>

class QMessageBox;
class QWidget;
class TFormDialogListSelect;
class TUDataKey;
class TUDataSource;

// Captions by message type: warning, error, information, confirmation, custom.
using TUDialogsCaptions = std::array<QString, 5>;
// Button captions: Yes, No, OK, Cancel, Abort, Retry, Ignore, All, No to all, Yes to all,
// Help, Close.
using TUDialogButtonCaptions = std::array<QString, 12>;

// The message boxes of the programs on QMessageBox. The operations inherited from TUMessageBox
// (YesNo, Custom, Error, CriticalError, Info) pass through its seam, so a test's recorder sees
// them too; Install makes the seam show real boxes.
class TUDialogs : public TUMessageBox {
public:
    TUDialogs() = delete;

    // Captions of the warning, error, information and confirmation boxes: the first four texts,
    // empty ones included.
    static void Locale(const TUDialogsCaptions &Captions);
    // Each standard button whose text here is not empty takes it as its caption.
    static void Locale(const TUDialogButtonCaptions &ButtonCaptions);
    static QString Caption(TMsgDlgType DlgType);
    static QString ButtonCaption(TMsgDlgBtn Button);

    // The box for a request, not yet shown: type's caption and icon, the text with "\n\r" as
    // one line break, the buttons with their captions.
    static std::unique_ptr<QMessageBox> CreateBox(const TUMessageBoxRequest &Request);
    // Shows the box modally; the modal result of the button chosen, mrNone when none was.
    static TModalResult ShowBox(const TUMessageBoxRequest &Request);
    // Makes the seam show boxes with ShowBox. On platforms without a screen (offscreen,
    // minimal) nobody could close a box, so the seam keeps printing the message instead.
    static void Install();

    // One record from Source as a radio list, Selected chosen at first. True on OK with the
    // key chosen; false on cancel with Selected cleared.
    static bool RadioSelect(QWidget *AOwner, const QString &Promt, TUDataSource *Source, TUDataKey &Selected);
    // The many-records dialog with that prompt, for the caller to fill, run and read.
    static std::unique_ptr<TFormDialogListSelect> ListSelect(QWidget *AOwner, const QString &Promt);
    // Free text, preset with Value; true on OK with the text typed, false on cancel with Value
    // emptied.
    static bool TextInput(QWidget *AOwner, const QString &Promt, QString &Value);
    // The same by lines; Lines cleared on cancel.
    static bool TextInput(QWidget *AOwner, const QString &Promt, QStringList &Lines);

    // Asks for a folder: Directory takes the starting folder in and the chosen one out. False
    // when the person cancelled.
    using TDirectoryBrowser = std::function<bool(QWidget *Parent, const QString &Caption, const QString &Root, QString &Directory)>;
    // The folder browser (the platform's one by default); returns the previous one.
    static TDirectoryBrowser SetDirectoryBrowser(TDirectoryBrowser Browser);
    // The chosen folder with Separator between its names and one at its end; empty for none.
    static QString DirectoryResult(const QString &Folder, QChar Separator);
    // The browser's folder as DirectoryResult with the platform's separator, and the focus back
    // on FocusControl; the empty text when cancelled.
    static QString SelectDirectoryDialog(QWidget *FocusControl, const QString &Caption, const QString &Root,
                                         const QString &Directory);
};
