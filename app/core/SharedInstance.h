#pragma once

#include <QSharedPointer>
#include <QWeakPointer>

// The one object of an application-wide controller: created by the first call, then the same
// object for as long as someone holds it. `create` makes it (a controller with a private
// constructor passes a lambda); `deleter` lets a controller that must outlive every holder
// pass one that does nothing.
template<typename T, typename Create, typename Deleter>
QSharedPointer<T> sharedInstance(QWeakPointer<T> &cache, Create create, Deleter deleter)
{
    QSharedPointer<T> object = cache.toStrongRef();
    if (!object) {
        object = QSharedPointer<T>(create(), deleter);
        cache = object;
    }
    return object;
}

template<typename T, typename Create>
QSharedPointer<T> sharedInstance(QWeakPointer<T> &cache, Create create)
{
    return sharedInstance(cache, create, [](T *object) { delete object; });
}
