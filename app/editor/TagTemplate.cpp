#include "TagTemplate.h"

#include "TagUnits.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <cmath>
#include <limits>

QByteArray TagTemplate::write(const QList<PdfSignTag> &tags)
{
    QJsonArray array;
    for (const PdfSignTag &tag : tags) {
        array.append(QJsonObject{
            {QStringLiteral("page"), tag.page},
            {QStringLiteral("x"), TagUnits::toTemplate(tag.x)},
            {QStringLiteral("y"), TagUnits::toTemplate(tag.y)},
            {QStringLiteral("w"), TagUnits::toTemplate(tag.w)},
            {QStringLiteral("h"), TagUnits::toTemplate(tag.h)},
            {QStringLiteral("type"), tag.type},
            {QStringLiteral("title"), tag.title},
        });
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

bool TagTemplate::read(const QByteArray &json, int pageCount, QList<PdfSignTag> *tags)
{
    const QJsonDocument doc = QJsonDocument::fromJson(json);
    if (!doc.isArray())
        return false;
    tags->clear();
    const QJsonArray array = doc.array();
    for (const QJsonValue &element : array) {
        if (!element.isObject())
            continue;
        const QJsonObject object = element.toObject();
        const int page = wholeNumber(object.value(QStringLiteral("page")), 0);
        const int w = wholeNumber(object.value(QStringLiteral("w")), 0);
        const int h = wholeNumber(object.value(QStringLiteral("h")), 0);
        if (page < 1 || page > pageCount || w <= 0 || h <= 0)
            continue;
        PdfSignTag tag;
        tag.page = page;
        if (!toPixels(wholeNumber(object.value(QStringLiteral("x")), 0), &tag.x)
            || !toPixels(wholeNumber(object.value(QStringLiteral("y")), 0), &tag.y)
            || !toPixels(w, &tag.w) || !toPixels(h, &tag.h))
            continue;
        tag.setType(wholeNumber(object.value(QStringLiteral("type")), PdfSignTag::SignOnly));
        tag.title = object.value(QStringLiteral("title")).toString();
        tags->append(tag);
    }
    return true;
}

int TagTemplate::wholeNumber(const QJsonValue &value, int fallback)
{
    if (!value.isDouble())
        return fallback;
    const double d = value.toDouble();
    if (!std::isfinite(d) || std::floor(d) != d || d < std::numeric_limits<int>::min()
        || d > std::numeric_limits<int>::max())
        return fallback;
    return int(d);
}

bool TagTemplate::toPixels(int units, int *pixels)
{
    // The far corner must stay addressable too, or later geometry overflows.
    const double scaled = units * TagUnits::pixelsPerInchUnit;
    if (scaled < std::numeric_limits<int>::min() / 2.0 || scaled > std::numeric_limits<int>::max() / 2.0)
        return false;
    *pixels = TagUnits::fromTemplate(units);
    return true;
}
