// Marks a load under way. A load processes events while it reads (its progress, a FIFO's data as
// it comes): nothing that changes the document or starts another load may run in the middle of
// it, so such work waits until the load is over.
#pragma once

#include <QObject>

#include <functional>

class CLoadGuard {
public:
    CLoadGuard();
    ~CLoadGuard();
    CLoadGuard(const CLoadGuard&) = delete;
    CLoadGuard& operator=(const CLoadGuard&) = delete;

    static bool Active();
    // Runs `work` at once when no load is under way; otherwise from the event loop once the
    // load has ended, unless `context` is gone by then.
    static void WhenDone(QObject* context, std::function<void()> work);
};
