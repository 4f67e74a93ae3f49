#include "DeviceHubLink.h"

#include <QtDebug>

// Nothing to drive until the device hub exists: no signature can be running and no device
// takes a pen setting, so the calls are only logged.
void DeviceHubLink::endSignature()
{
    qDebug() << "device hub not present: endSignature skipped";
}

void DeviceHubLink::setPenColor(int red, int green, int blue)
{
    qDebug() << "device hub not present: setPenColor skipped" << red << green << blue;
}

void DeviceHubLink::setPenSize(int minimum, int maximum)
{
    qDebug() << "device hub not present: setPenSize skipped" << minimum << maximum;
}
