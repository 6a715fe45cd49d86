// Wall time of the download step of "update.exe" (its window and engine, without the program's
// start and its two-second wait), for a site downloaded whole without a manifest and for the same
// site signed, where the program folder already holds most files as signed:
//   bench_updtrust DESCRIPTOR_URL PROGRAM_DIR/ PUBKEY ROUNDS
// Prints one line per run and the medians; bench/updtrust.sh lays out the site.
#include "MainForm.h"
#include "UpdateTrust.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s DESCRIPTOR_URL PROGRAM_DIR/ PUBKEY ROUNDS\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    QByteArray key;
    if (!DecodeUpdatePublicKey(QString::fromLocal8Bit(argv[3]), key)) {
        std::fprintf(stderr, "not a key: %s\n", argv[3]);
        return 2;
    }
    const int rounds = std::max(1, std::atoi(argv[4]));
    std::vector<double> whole, signedRuns;
    int skipped = 0;
    for (int r = 0; r < rounds; ++r) {
        for (const bool withKey : {false, true}) {
            TMainForm form;
            form.SetStartDir(QString::fromLocal8Bit(argv[2]));
            form.SetUpdateURL(QString::fromLocal8Bit(argv[1]));
            form.Engine().SetPublicKey(withKey ? key : QByteArray());
            form.show();
            QCoreApplication::processEvents();
            QElapsedTimer t;
            t.start();
            if (!form.Engine().DownloadUpdate()) {
                std::fprintf(stderr, "%s\n", form.Engine().Error().toLocal8Bit().constData());
                return 1;
            }
            const double s = t.nsecsElapsed() / 1e9;
            (withKey ? signedRuns : whole).push_back(s);
            if (withKey)
                skipped = form.Engine().SkippedFiles();
            std::printf("round %d %s %.3fs\n", r + 1, withKey ? "signed" : "whole ", s);
        }
    }
    const double w = median(whole), s = median(signedRuns);
    std::printf("median of %d: whole %.3fs, signed %.3fs (%d files already in place): %.1fx\n", rounds, w, s, skipped,
                w / s);
    return 0;
}
