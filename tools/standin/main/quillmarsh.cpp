// Stand-in for the main client "quillmarsh.exe" in the demo workstation: it only shows that it
// was started (a window, or a line on the console without a display) and notes the start in
// "started.log" beside itself.
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString folder = QApplication::applicationDirPath();
    const QString name = QFileInfo(QApplication::applicationFilePath()).fileName();
    const QString text = QStringLiteral("ЗАГЛУШКА главного клиента (stand-in)\n\n%1 запущена\nиз %2")
                             .arg(name, QDir::toNativeSeparators(folder));

    // Closed at once: the window may stay on screen for a long time, and whoever waits for the
    // note must see it now.
    {
        QFile log(QDir(folder).filePath(QStringLiteral("started.log")));
        if (log.open(QIODevice::WriteOnly | QIODevice::Append))
            log.write((QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"))
                       + QStringLiteral(": main client started (stand-in %1)\r\n").arg(name)).toUtf8());
    }

    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) {
        std::printf("%s\n", qPrintable(QString(text).replace(u'\n', u' ')));
        return 0;
    }
    QLabel window(text);
    window.setWindowTitle(QStringLiteral("%1 — заглушка").arg(name));
    window.setAlignment(Qt::AlignCenter);
    window.setMargin(40);
    window.setStyleSheet(QStringLiteral("font-size: 16pt; background: #fff6d0;"));
    window.resize(560, 260);
    window.show();
    // A demo run under a virtual display ends on its own.
    if (qEnvironmentVariableIsSet("QUILLMARSH_STANDIN_SECONDS"))
        QTimer::singleShot(qEnvironmentVariableIntValue("QUILLMARSH_STANDIN_SECONDS") * 1000, &app, &QApplication::quit);
    return app.exec();
}
