#include "framework/loadguard.h"

#include <QPointer>

#include <utility>
#include <vector>

namespace {
int s_nDepth = 0;

struct Waiting {
    QPointer<QObject> context;
    std::function<void()> work;
};
std::vector<Waiting> s_waiting;
} // namespace

CLoadGuard::CLoadGuard() {
    ++s_nDepth;
}

CLoadGuard::~CLoadGuard() {
    if (--s_nDepth > 0)
        return;
    // Run from the event loop, after whatever the load's caller still does to finish it; and
    // asked again there, since an earlier one may have started a load of its own.
    for (Waiting& w : std::exchange(s_waiting, {}))
        if (w.context)
            QMetaObject::invokeMethod(
                w.context,
                [context = w.context, work = std::move(w.work)] { WhenDone(context, work); },
                Qt::QueuedConnection);
}

bool CLoadGuard::Active() {
    return s_nDepth > 0;
}

void CLoadGuard::WhenDone(QObject* context, std::function<void()> work) {
    if (!Active())
        work();
    else
        s_waiting.push_back({context, std::move(work)});
}
