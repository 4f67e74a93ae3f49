#include "OstraMouse.h"

void OstraMouse::setTabletRange(int32_t maxX, int32_t maxY)
{
    m_maxX = maxX;
    m_maxY = maxY;
}

void OstraMouse::setMapping(bool mapToPenDisplay, int rotation)
{
    m_mapToPenDisplay = mapToPenDisplay;
    m_rotation = rotation;
}

void OstraMouse::activate(bool on)
{
    m_active = on;
}

void OstraMouse::pushEvent(int32_t, int32_t, int32_t)
{
}
