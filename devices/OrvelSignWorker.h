#pragma once

#include <QImage>
#include <QThread>

#include <atomic>

// Polls the signature pad library for a picture of the current ink through a file, and emits
// every picture that stayed the same size over a short pause (a half-written file never is).
class OrvelSignWorker : public QThread
{
    Q_OBJECT

public:
    explicit OrvelSignWorker(QObject *parent = nullptr);
    ~OrvelSignWorker() override;

    // Raised before the thread starts, so a stop that comes before the loop begins holds.
    void begin();
    void stop();

    // "realtime_sig.png" in the per-user data folder's "testoutput".
    static QString livePicturePath();
    // A PNG picture of the library's, as 32-bit ARGB; null when it cannot be had.
    static QImage readPicture(const QString &path);

signals:
    void signPicAvailable(QImage img);

protected:
    void run() override;
    // One request to the library to write the picture file; true when it reports success.
    virtual bool requestPicture(const QByteArray &path);
    virtual void pause(int ms);

private:
    std::atomic<bool> m_running{false};
};
