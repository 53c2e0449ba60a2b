#include "link/BridgeAdapter.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

namespace nuvex3 {

namespace {

template <class Fn> bool resolve(QLibrary& lib, const char* name, Fn& out) {
    out = reinterpret_cast<Fn>(lib.resolve(name));
    return out != nullptr;
}

} // namespace

BridgeAdapter::BridgeAdapter(MessageSink messages) : messages_(std::move(messages)) {}

std::string BridgeAdapter::libraryLocation() {
    QString dir = qEnvironmentVariable(pinlink::kDirectoryVariable);
    if (dir.isEmpty() && QCoreApplication::instance())
        dir = QCoreApplication::applicationDirPath();
    if (dir.isEmpty())
        return pinlink::kLibraryName;
    return QDir(dir).filePath(pinlink::kLibraryName).toStdString();
}

bool BridgeAdapter::initialise(std::uint32_t baudRate, bool hardwareFlowControl) {
    auto show = [this](const char* text) {
        if (messages_)
            messages_(text);
    };
    inUse_ = false;

    // Never unloaded: the pins must keep working while any layer may use them.
    QLibrary lib(QString::fromStdString(libraryLocation()));
    bool loaded = lib.load();
    if (!loaded && qEnvironmentVariableIsEmpty(pinlink::kDirectoryVariable)) {
        lib.setFileName(pinlink::kLibraryName);
        loaded = lib.load();
    }
    if (!loaded) {
        show(bridge_text::kNotFound);
        return false;
    }

    // Every function must be there; one missing leaves the bridge unusable.
    const bool complete =
        resolve(lib, "InitVK5310", init_) && resolve(lib, "IsConnected", isConnected_) &&
        resolve(lib, "ConfigureVK5310", configure_) && resolve(lib, "SetPin", setPin_) &&
        resolve(lib, "ClearPin", clearPin_) && resolve(lib, "ReadPin", readPin_) &&
        resolve(lib, "ConfigureIoDefaultOutput", ioDefault_) &&
        resolve(lib, "ReadPort", readPort_) && resolve(lib, "fnHardwareFlowControl", flowControl_);
    if (!complete)
        return false;

    init_(pinlink::kVendorId, pinlink::kProductId);
    if (!isConnected_()) {
        show(bridge_text::kDisconnected);
        return false;
    }
    if (!configure_(0xFF, baudRate, 0, 0, hardwareFlowControl ? 1 : 0)) {
        show(bridge_text::kConfigureFailed);
        return false;
    }
    if (!ioDefault_(0xC0, 0x3F)) {
        show(bridge_text::kIoDefaultFailed);
        return false;
    }
    inUse_ = true;
    return true;
}

void BridgeAdapter::setPin(std::uint8_t pin) const {
    if (!inUse_)
        return;
    std::lock_guard g(callMutex_);
    setPin_(pin);
}

void BridgeAdapter::clearPin(std::uint8_t pin) const {
    if (!inUse_)
        return;
    std::lock_guard g(callMutex_);
    clearPin_(pin);
}

} // namespace nuvex3
