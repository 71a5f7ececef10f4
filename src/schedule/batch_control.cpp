#include "schedule/batch_control.h"

namespace kx {

BatchGuard::BatchGuard(BatchControl& control, BatchKind kind) : control_(control) {
    if (control_.running_) {
        control_.pending_[BatchControl::Index(kind)] = true;
        return;
    }
    control_.running_ = kind;
    entered_ = true;
}

BatchGuard::~BatchGuard() {
    if (!entered_) return;
    control_.running_.reset();
    // The range first: the front end waits for its "RFA".
    for (BatchKind kind : {BatchKind::Range, BatchKind::Interval, BatchKind::Daily, BatchKind::AutoProcess}) {
        bool& pending = control_.pending_[BatchControl::Index(kind)];
        if (!pending) continue;
        pending = false;
        try {
            control_.RefireBatch(kind);
        } catch (...) {
            // Still owed: the end of the next batch fires it again.
            pending = true;
        }
    }
}

}  // namespace kx
