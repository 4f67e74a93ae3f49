#include "OrvelSignWorker.h"

#include "Velmora.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QStandardPaths>

#include <cstring>

namespace {

// The library's surface is at most 800 x 480; its picture adds margins or a minimum size from
// its settings. Anything beyond this is no picture of a board, and is not decoded.
constexpr int MaxPictureSide = 4096;

} // namespace

OrvelSignWorker::OrvelSignWorker(QObject *parent)
    : QThread(parent)
{
}

OrvelSignWorker::~OrvelSignWorker()
{
    stop();
}

QString OrvelSignWorker::livePicturePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/testoutput/realtime_sig.png");
}

QImage OrvelSignWorker::readPicture(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QImage();
    QImageReader reader(&file, "PNG");
    const QSize size = reader.size();   // from the header alone
    if (!size.isValid() || size.width() > MaxPictureSide || size.height() > MaxPictureSide)
        return QImage();
    return reader.read().convertToFormat(QImage::Format_ARGB32);
}

void OrvelSignWorker::begin()
{
    if (isRunning())
        return;
    m_running = true;
    start(QThread::InheritPriority);
}

void OrvelSignWorker::stop()
{
    m_running = false;
    wait();
}

bool OrvelSignWorker::requestPicture(const QByteArray &path)
{
    char code[VELMORA_ERRCODE_SIZE] = {};
    char message[VELMORA_ERROR_SIZE] = {};
    getSignatureRealtimePic(path.constData(), code, message);
    return std::strcmp(code, "DRV0000000") == 0;
}

void OrvelSignWorker::pause(int ms)
{
    QThread::msleep(static_cast<unsigned long>(ms));
}

void OrvelSignWorker::run()
{
    const QString path = livePicturePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile::remove(path);
    const QByteArray localPath = QFile::encodeName(path);
    while (m_running) {
        const bool written = requestPicture(localPath);
        const qint64 before = QFileInfo(path).size();
        pause(20);
        QFileInfo after(path);
        if (written && after.exists() && after.size() == before) {
            const QImage picture = readPicture(path);
            if (!picture.isNull())
                emit signPicAvailable(picture);
        }
        pause(50);
    }
}
