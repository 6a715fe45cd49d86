#pragma once

#include "UAPITypes.h"
#include "UnitDocTracking.h"

#include <QDateTime>
#include <QString>
#include <QWidget>

class QLabel;
class QTimer;
class QTreeWidget;
class TDataDocTemplate;
class TFrameProgressBase;
class TUImageButton;

// The document templates of the reference cache. "ОТКРЫТЬ" brings the template into the local
// document cache (unless the copy there is current) with the download's progress shown, then
// the desktop shell opens the copy. A copy the person edits is sent back by document tracking
// on its own; the panel's last line says when that last happened, or that it failed, from the
// tracking's counters, which it reads on a timer.
class TFDocuments : public QWidget {
    Q_OBJECT
public:
    explicit TFDocuments(QWidget *parent = nullptr);
    ~TFDocuments() override;

    // The cache's document templates again (after a cache reload / sign-in).
    void Reload();
    // Opens the template selected in the list; the same as "ОТКРЫТЬ".
    void OpenSelected();
    // Opens that template: from the document cache when the copy there is current, otherwise
    // once it has been downloaded.
    void Open(const TUDataKey &Template);
    // A download is running.
    bool Loading() const { return FLoading; }
    // The file the template stands for now: the tracked copy's data when tracking holds a newer
    // version of the same file (after a send-back) than the reference list does.
    static TUAPIFile CurrentFile(const TDataDocTemplate &Template);

    // Reads the tracking counters and says what they tell.
    void RefreshTracking();
    // How often the counters are read.
    void SetRefreshInterval(int Milliseconds);

    QTreeWidget *List;
    TUImageButton *ButtonOpen;
    TFrameProgressBase *Progress;
    QLabel *LabelProgress;
    QLabel *LabelTracking;

private:
    void LoadStarted(const QString &Title);
    void LoadEnded();
    void OpenCopy(const TUAPIFile &File, const QString &Title);
    void UpdateButtons();
    void UpdateCopies();

    QTimer *FTimer;
    bool FLoading = false;
    qint64 FTotal = 0;
    // The counters as last read, and what they showed.
    TDocTrackingStat FSeen;
    QDateTime FLastSent;
    QDateTime FLastFailed;
};
