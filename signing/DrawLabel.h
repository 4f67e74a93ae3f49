#pragma once

#include "PaintBoardOptions.h"
#include "StrokeGeometry.h"

#include "IDevice.h"

#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QSharedPointer>
#include <QTimer>

class DeviceController;

// The writing board's canvas. Pen packets become pressure-width strokes on a transparent
// picture; for the signature pad it shows the pad's own picture. On ok it exports what it
// holds as a PNG (Base64 for the caller, a copy in "testoutput" for inspection).
class DrawLabel : public QLabel
{
    Q_OBJECT

public:
    // Takes the device facts from the hub once: the canvas keeps them for its whole life.
    explicit DrawLabel(const PaintBoardOptionsPtr &options, QWidget *parent = nullptr);

    void clearCanvas();
    void cropToInk();
    void exportSignature();
    // Whether an export now would hand on any ink: a fully transparent picture is no signature.
    // An open stroke is committed first, as the export does.
    bool hasInk();

    QString exportedBase64() const { return m_exported; }
    QPixmap canvasPixmap() const { return m_canvas; }
    QImage padImage() const { return m_padImage; }

    // "sign_test.png" in "testoutput" under the per-user data folder, which is created.
    static QString inspectionPath();

public slots:
    void handlePenPacket(TABLET_PACKET packet);
    void onSignPicAvailable(QImage img);

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QPen penFor(const PenPoint &point) const;
    void renderStroke();
    void endStroke();
    void resetLiveLayer();
    void updateLiveLayer();
    void scheduleStrokeRepaint(int from);

    PaintBoardOptionsPtr m_options;
    QSharedPointer<DeviceController> m_hub;
    int m_deviceKind;
    bool m_onPenDisplay;
    int m_canvasWidth;
    int m_canvasHeight;
    float m_pressureRange;
    float m_tabletScaleX = 0;
    float m_tabletScaleY = 0;
    double m_screenScaleX = 0;
    double m_screenScaleY = 0;
    double m_screenLeft = 0;
    double m_screenTop = 0;
    // A canvas built while no device was there has no ranges to scale by.
    bool m_hasRanges;

    QVector<PenPoint> m_stroke;
    QPixmap m_canvas;
    QImage m_padImage;
    bool m_justCleared = false;
    QTimer m_clearWindow;
    QString m_exported;

    // The open stroke drawn so far: each packet adds its segments instead of redrawing the
    // whole stroke, so live painting does not slow down as a stroke grows.
    QImage m_liveLayer;
    int m_livePoints = 0;
    QRgb m_livePenColor = 0;
    float m_livePenMin = 0;
    float m_livePenMax = 0;
};
