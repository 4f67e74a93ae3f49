// Pages through a long real-world document in the signing window and reports the time from a
// page step to the new page's picture on its label, and the resident memory, which the page
// cache must keep bounded. The tag editor's figures (bench_editorscroll) on the same pages follow.
// Usage: QT_QPA_PLATFORM=offscreen bench_signingwindow [source.pdf] [pages]
//   (default /usr/share/doc/libtasn1-doc/libtasn1.pdf repeated up to 200 pages; needs qpdf)

#include "PdfHandler.h"
#include "PdfViewer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

namespace {

long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

// The source document repeated until it has `pages` pages, cut to exactly that many.
bool concatenate(const QString &source, int pages, const QString &target, QTextStream &out)
{
    QProcess count;
    count.start(QStringLiteral("qpdf"), {QStringLiteral("--show-npages"), source});
    if (!count.waitForFinished() || count.exitCode() != 0) {
        out << "qpdf cannot read " << source << "\n";
        return false;
    }
    const int sourcePages = count.readAllStandardOutput().trimmed().toInt();
    QStringList args = {QStringLiteral("--empty"), QStringLiteral("--pages")};
    for (int copied = 0; copied < pages; copied += sourcePages) {
        args << source << QStringLiteral("1-%1").arg(std::min(sourcePages, pages - copied));
    }
    args << QStringLiteral("--") << target;
    return QProcess::execute(QStringLiteral("qpdf"), args) == 0;
}

double percentile(QVector<double> values, int p)
{
    std::sort(values.begin(), values.end());
    return values.at(std::min<int>(values.size() - 1, values.size() * p / 100));
}

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir dir;
    // The device hub starts with the window; it must not go looking for the machine's devices.
    qputenv("INKWARDEN_DEVSIM", dir.filePath(QStringLiteral("devsim")).toUtf8());
    QDir().mkpath(dir.filePath(QStringLiteral("devsim")));
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const QString source = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                    : QStringLiteral("/usr/share/doc/libtasn1-doc/libtasn1.pdf");
    const int pageCount = argc > 2 ? std::max(2, atoi(argv[2])) : 200;
    const QString path = dir.filePath(QStringLiteral("long.pdf"));
    if (!concatenate(source, pageCount, path, out))
        return 1;

    QSharedPointer<PdfHandler> handler = PdfHandler::instance();
    const bool options[4] = {};
    const long beforeKiB = residentKiB();
    auto *viewer = new PdfViewer(path, PdfSignData(), options, handler);
    viewer->resize(1920, 1080);
    viewer->show();
    app.processEvents();
    QList<QLabel *> labels;
    for (QLabel *label : viewer->findChildren<QLabel *>()) {
        if (label->property("pageIndex").isValid())
            labels << label;
    }
    std::sort(labels.begin(), labels.end(), [](QLabel *a, QLabel *b) {
        return a->property("pageIndex").toInt() < b->property("pageIndex").toInt();
    });
    if (labels.size() != pageCount) {
        out << "the window shows " << labels.size() << " pages of " << pageCount << "\n";
        return 1;
    }

    QVector<double> stepMs;
    QVector<long> rssKiB;
    QElapsedTimer timer;
    int dropped = 0;
    for (int page = 1; page < pageCount; ++page) {
        timer.start();
        // The window draws the pages that come into view within the step; a page it cannot
        // render (too large for any image) it leaves without a picture.
        viewer->goToNextPage();
        const bool drawn = !labels.at(page)->pixmap(Qt::ReturnByValue).isNull();
        if (drawn)
            stepMs << timer.nsecsElapsed() / 1e6;
        dropped += !drawn;
        app.processEvents();
        rssKiB << residentKiB();
    }

    out << "signing window, " << pageCount << " pages of " << QFileInfo(source).fileName() << ":\n";
    if (!stepMs.isEmpty())
        out << "  page step to picture: median " << percentile(stepMs, 50) << " ms, 95th percentile "
            << percentile(stepMs, 95) << " ms, max " << percentile(stepMs, 100) << " ms\n";
    if (dropped > 0)
        out << "  pages without a picture (not renderable): " << dropped << "\n";
    out << "  resident memory: before the window " << beforeKiB / 1024 << " MiB, after 20 steps "
        << rssKiB.at(std::min(19, rssKiB.size() - 1)) / 1024 << " MiB, after all pages " << rssKiB.last() / 1024
        << " MiB, largest " << *std::max_element(rssKiB.begin(), rssKiB.end()) / 1024 << " MiB\n";
    delete viewer;
    out.flush();

    QProcess editor;
    editor.setProcessChannelMode(QProcess::ForwardedChannels);
    out << "tag editor (bench_editorscroll, the same " << pageCount << " pages):\n";
    out.flush();
    editor.start(QCoreApplication::applicationDirPath() + QStringLiteral("/bench_editorscroll"), {path});
    editor.waitForFinished(-1);
    return 0;
}
