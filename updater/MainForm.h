#pragma once

#include "UpdateMaster.h"

#include <QWidget>

#include <atomic>
#include <memory>
#include <thread>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

// The updater's window: the update's logo, title and link, the state text, a progress bar and
// the cancel button. Two seconds after it is shown it runs the requested action once and ends
// the application.
class TMainForm : public QWidget {
    Q_OBJECT
public:
    explicit TMainForm(QWidget *parent = nullptr);
    ~TMainForm() override;

    void SetExeName(const QString &Value) { fUM->SetExeName(Value); }
    void SetStartDir(const QString &Value) { fUM->SetDir(Value); }
    QString UpdateURL() const { return fUM->UpdateURL(); }
    void SetUpdateURL(const QString &Value) { fUM->SetUpdateURL(Value); }
    void SetProxy(const QString &Value) { fUM->SetProxy(Value); }
    void SetProxyPort(int Value) { fUM->SetProxyPort(Value); }
    void SetProxyUser(const QString &Value) { fUM->SetProxyUser(Value); }
    void SetProxyPassword(const QString &Value) { fUM->SetProxyPassword(Value); }
    void Prepare(const QString &action) { fPrepare = action; }

    TUpdateMaster &Engine() { return *fUM; }
    static QString StateText(TUpdateMasterState State);

    QProgressBar *Progress;
    QTimer *Timer;
    QPushButton *bCancel;
    QLabel *Logo;
    QLabel *eTitle;
    QLabel *eURL;
    QLabel *eState;

public slots:
    void ProcessAction();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ActionUpdate();
    void UpdateCallback(TUpdateMasterState state, qint32 bytes, qint32 maxbytes);
    void KeysChange();
    void SetLogoSize();
    void LoadLogo(const QString &URL);
    void StopLogo();
    void CancelClick();

    std::unique_ptr<TUpdateMaster> fUM;
    QString fPrepare;
    // The logo is fetched beside the window's work, so a slow picture never delays the update.
    std::thread fLogoThread;
    std::atomic<bool> fLogoStop{false};
};
