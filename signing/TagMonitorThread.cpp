#include "TagMonitorThread.h"

#include <QtDebug>

namespace {

const int pollMs = 200;

} // namespace

TagMonitorThread::TagMonitorThread(const PdfSignData *signData, QObject *parent)
    : QThread(parent)
    , m_tagCount(signData->tags.size())
    , m_tags(new TagState[m_tagCount])
{
    for (int i = 0; i < m_tagCount; ++i) {
        const PdfSignTag &tag = signData->tags.at(i);
        m_tags[i].type = tag.type;
        m_tags[i].signDone = tag.isSignDone;
        m_tags[i].fpDone = tag.isFpDone;
    }
}

void TagMonitorThread::markDone(int index, bool isSign)
{
    if (index < 0 || index >= m_tagCount)
        return;
    (isSign ? m_tags[index].signDone : m_tags[index].fpDone) = true;
}

void TagMonitorThread::requestStop()
{
    m_stopRequested = true;
}

void TagMonitorThread::run()
{
    for (int i = 0; i < m_tagCount; ++i) {
        if (m_stopRequested)
            return;
        const bool finished = m_tags[i].type == PdfSignTag::SignAndFp ? waitForBothParts(i) : waitForTag(i);
        if (!finished)
            return;
    }
    emit allTagsCompleted();
}

bool TagMonitorThread::waitForBothParts(int index)
{
    // A tag signed first is reported after each part; one found complete at the first look once.
    const TagState &tag = m_tags[index];
    bool signReported = false;
    bool fpReported = false;
    while (!(tag.signDone && tag.fpDone && fpReported)) {
        if (m_stopRequested) {
            qDebug() << "Stop requested, exiting thread.";
            return false;
        }
        const bool signDone = tag.signDone;
        const bool fpDone = tag.fpDone;
        if (signDone && !fpDone && !signReported) {
            qDebug() << "Sign completed for Tag " << index + 1;
            emit tagCompleted(index + 1);
            signReported = true;
        }
        if (fpDone && !fpReported) {
            qDebug() << "Fingerprint completed for Tag " << index + 1;
            emit tagCompleted(index + 1);
            fpReported = true;
        }
        msleep(pollMs);
    }
    return true;
}

bool TagMonitorThread::waitForTag(int index)
{
    const TagState &tag = m_tags[index];
    while (!(tag.signDone && tag.fpDone)) {
        if (m_stopRequested) {
            qDebug() << "Stop requested, exiting thread.";
            return false;
        }
        msleep(pollMs);
    }
    qDebug() << "Tag " << index + 1 << " completed.";
    emit tagCompleted(index + 1);
    return true;
}
