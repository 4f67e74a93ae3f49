#pragma once

#include "PdfSignData.h"

#include <QThread>

#include <atomic>
#include <memory>

// Watches the tags of one signing window and reports each completed tag, strictly in list
// order, then all of them. It never reads the window's tag list: the window marks a part done
// here after it stored the image, and the tag types are fixed once the window is built.
class TagMonitorThread : public QThread
{
    Q_OBJECT

public:
    TagMonitorThread(const PdfSignData *signData, QObject *parent);

    // Main thread: the signature (isSign) or the fingerprint of the tag at index is stored.
    void markDone(int index, bool isSign);
    void requestStop();

signals:
    void tagCompleted(int index);
    void allTagsCompleted();

protected:
    void run() override;

private:
    struct TagState
    {
        int type = 0;
        std::atomic<bool> signDone{false};
        std::atomic<bool> fpDone{false};
    };

    // Returns false when a stop ended the wait.
    bool waitForTag(int index);
    bool waitForBothParts(int index);

    const int m_tagCount;
    const std::unique_ptr<TagState[]> m_tags;
    std::atomic<bool> m_stopRequested{false};
};
