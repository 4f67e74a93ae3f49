#pragma once

#include <QLabel>

class QPropertyAnimation;

// The fingerprint picture with a scan band sweeping over it and corner marks while the dialog
// waits for a finger.
class FingerprintLabel : public QLabel
{
    Q_OBJECT
    Q_PROPERTY(int scanLinePos READ scanLinePos WRITE setScanLinePos)

public:
    explicit FingerprintLabel(QWidget *parent = nullptr);

    void startScan();
    void stopScan();
    int scanLinePos() const { return m_scanLinePos; }
    void setScanLinePos(int pos);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_scanLinePos = 0;
    QPropertyAnimation *m_animation;
    bool m_scanning = true;
};
