// ThreadSanitizer builds only: tells the sanitizer about the hand-offs Qt makes between
// threads. The distribution's Qt is not built with the sanitizer, so its locks and atomics
// are invisible to it: every object handed from one thread to another through a queued
// call, a cross-thread signal, a posted event or a blocking call would look unsynchronised.
//
// The entry points our code calls to hand work to another thread are defined here, in the
// executable (every program of a -DNUVEX3_TSAN=ON build links this file), so calls from our code
// reach these first (the dynamic linker prefers the executable's definitions); each marks a release
// on one synchronisation object and forwards to Qt's own function. Every event Qt delivers, on any
// thread, first marks an acquire of the same object, and so does the thread that waits for a
// blocking call or a finished thread. One object for every queue is coarser than Qt's one queue per
// thread: a hand-off orders everything written before it, on any thread, before every event
// delivered after it. Races that never pass through a hand-off (two threads touching the
// same field without a lock or atomic) are reported as before.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QObject>
#include <QThread>
#include <QTimer>

#include <dlfcn.h>
#include <sanitizer/tsan_interface.h>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace {

char handOff; // the synchronisation object of every hand-off through Qt

template <typename Fn> Fn qtCore(const char* mangled) {
    void* real = dlvsym(RTLD_NEXT, mangled, "Qt_6");
    if (!real) {
        std::fprintf(stderr, "TSan bridge: %s not found in Qt\n", mangled);
        std::abort();
    }
    return reinterpret_cast<Fn>(real);
}

// Wraps a slot handed to another thread: the call acquires what the caller released and
// releases what the slot wrote, for the caller of a blocking call that waits for it; the
// slot's destruction (on whichever thread drops the last reference) acquires too.
class HandedSlot final : public QtPrivate::QSlotObjectBase {
public:
    explicit HandedSlot(QtPrivate::QSlotObjectBase* inner)
        : QtPrivate::QSlotObjectBase(&impl), inner_(inner) {}

private:
    static void impl(int which, QSlotObjectBase* self, QObject* receiver, void** args, bool* ret) {
        auto* that = static_cast<HandedSlot*>(self);
        switch (which) {
        case Destroy:
            __tsan_acquire(&handOff);
            that->inner_->destroyIfLastRef();
            delete that;
            break;
        case Call:
            __tsan_acquire(&handOff);
            that->inner_->call(receiver, args);
            __tsan_release(&handOff);
            break;
        case Compare:
            *ret = that->inner_->compare(args);
            break;
        default:
            break;
        }
    }
    QtPrivate::QSlotObjectBase* inner_;
};

bool acquireBeforeDelivery(void**) {
    __tsan_acquire(&handOff);
    return false; // Qt delivers the event as usual
}

// Installed before main: every event delivered on any thread acquires.
[[maybe_unused]] const bool installed = [] {
    QInternal::registerCallback(QInternal::EventNotifyCallback, &acquireBeforeDelivery);
    return true;
}();

} // namespace

bool QMetaObject::invokeMethodImpl(QObject* object, QtPrivate::QSlotObjectBase* slot,
                                   Qt::ConnectionType type, void* ret) {
    using Fn = bool (*)(QObject*, QtPrivate::QSlotObjectBase*, Qt::ConnectionType, void*);
    static const Fn real =
        qtCore<Fn>("_ZN11QMetaObject16invokeMethodImplEP7QObjectPN9QtPrivate15QSlotObjectBaseEN2Qt"
                   "14ConnectionTypeEPv");
    auto* handed = new HandedSlot(slot);
    __tsan_release(&handOff);
    const bool ok = real(object, handed, type, ret);
    __tsan_acquire(&handOff);
    return ok;
}

bool QMetaObject::invokeMethod(QObject* object, const char* member, Qt::ConnectionType type,
                               QGenericReturnArgument ret, QGenericArgument a0, QGenericArgument a1,
                               QGenericArgument a2, QGenericArgument a3, QGenericArgument a4,
                               QGenericArgument a5, QGenericArgument a6, QGenericArgument a7,
                               QGenericArgument a8, QGenericArgument a9) {
    using Fn = bool (*)(QObject*, const char*, Qt::ConnectionType, QGenericReturnArgument,
                        QGenericArgument, QGenericArgument, QGenericArgument, QGenericArgument,
                        QGenericArgument, QGenericArgument, QGenericArgument, QGenericArgument,
                        QGenericArgument, QGenericArgument);
    static const Fn real = qtCore<Fn>(
        "_ZN11QMetaObject12invokeMethodEP7QObjectPKcN2Qt14ConnectionTypeE22QGenericReturnArgume"
        "nt16QGenericArgumentS7_S7_S7_S7_S7_S7_S7_S7_S7_");
    __tsan_release(&handOff);
    const bool ok = real(object, member, type, ret, a0, a1, a2, a3, a4, a5, a6, a7, a8, a9);
    __tsan_acquire(&handOff);
    return ok;
}

void QMetaObject::activate(QObject* sender, const QMetaObject* meta, int localSignalIndex,
                           void** argv) {
    using Fn = void (*)(QObject*, const QMetaObject*, int, void**);
    static const Fn real = qtCore<Fn>("_ZN11QMetaObject8activateEP7QObjectPKS_iPPv");
    __tsan_release(&handOff);
    real(sender, meta, localSignalIndex, argv);
}

void QCoreApplication::postEvent(QObject* receiver, QEvent* event, int priority) {
    using Fn = void (*)(QObject*, QEvent*, int);
    static const Fn real = qtCore<Fn>("_ZN16QCoreApplication9postEventEP7QObjectP6QEventi");
    __tsan_release(&handOff);
    real(receiver, event, priority);
}

void QTimer::singleShotImpl(int msec, Qt::TimerType timerType, const QObject* receiver,
                            QtPrivate::QSlotObjectBase* slot) {
    using Fn = void (*)(int, Qt::TimerType, const QObject*, QtPrivate::QSlotObjectBase*);
    static const Fn real =
        qtCore<Fn>("_ZN6QTimer14singleShotImplEiN2Qt9TimerTypeEPK7QObjectPN9QtPrivate15QSlotObj"
                   "ectBaseE");
    auto* handed = new HandedSlot(slot);
    __tsan_release(&handOff);
    real(msec, timerType, receiver, handed);
}

void QThread::start(Priority priority) {
    using Fn = void (*)(QThread*, Priority);
    static const Fn real = qtCore<Fn>("_ZN7QThread5startENS_8PriorityE");
    // The thread's last act releases, for whoever waits for it to finish.
    QObject::connect(
        this, &QThread::finished, this, [] { __tsan_release(&handOff); }, Qt::DirectConnection);
    __tsan_release(&handOff);
    real(this, priority);
}

bool QThread::wait(QDeadlineTimer deadline) {
    using Fn = bool (*)(QThread*, QDeadlineTimer);
    static const Fn real = qtCore<Fn>("_ZN7QThread4waitE14QDeadlineTimer");
    const bool finished = real(this, deadline);
    __tsan_acquire(&handOff);
    return finished;
}

// Qt starts a child process with clone(CLONE_VM | CLONE_VFORK): until it runs the program
// the child runs on its parent's memory and thread state, where the sanitizer's hooks it
// calls leave the parent's main thread broken (its locks go unseen afterwards, and races
// are reported that are none). Such a clone becomes a fork here; Qt learns of a failed
// start through its pipe, not through the shared memory, so nothing else changes.
extern "C" int clone(int (*fn)(void*), void* stack, int flags, void* arg, ...) {
    va_list more;
    va_start(more, arg);
    auto* parentTid = va_arg(more, pid_t*);
    void* tls = va_arg(more, void*);
    auto* childTid = va_arg(more, pid_t*);
    va_end(more);
    constexpr int kShared = CLONE_VM | CLONE_VFORK;
    if ((flags & kShared) == kShared && !(flags & (CLONE_SETTLS | CLONE_THREAD))) {
        const pid_t pid = fork();
        if (pid == 0)
            _exit(fn(arg));
        if (pid > 0 && (flags & CLONE_PIDFD))
            *reinterpret_cast<int*>(parentTid) = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
        return pid;
    }
    using Fn = int (*)(int (*)(void*), void*, int, void*, ...);
    static const auto real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "clone"));
    return real(fn, stack, flags, arg, parentTid, tls, childTid);
}
