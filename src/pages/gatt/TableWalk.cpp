#include "pages/gatt/TableWalk.h"

namespace nuvex3::gatt {

void TableWalk::start(std::vector<std::uint8_t> links) {
    std::lock_guard g(m_);
    table_.clear();
    links_ = std::move(links);
    phase_ = 0;
    link_ = service_ = characteristic_ = descriptor_ = 0;
    discovering_.clear();
    awaiting_.reset();
    running_ = true;
}

void TableWalk::setLinks(std::vector<std::uint8_t> links) {
    std::lock_guard g(m_);
    links_ = std::move(links);
}

void TableWalk::stop() {
    std::lock_guard g(m_);
    running_ = false;
    awaiting_.reset();
}

void TableWalk::sent(Op op) {
    std::lock_guard g(m_);
    awaiting_ = op;
}

bool TableWalk::acknowledge(Op op) {
    auto read = [](Op o) { return o == Op::ReadCharacteristic || o == Op::ReadDescriptor; };
    std::lock_guard g(m_);
    if (!running_ || !awaiting_ || !(*awaiting_ == op || (read(*awaiting_) && read(op))))
        return false;
    awaiting_.reset();
    return true;
}

bool TableWalk::running() const {
    std::lock_guard g(m_);
    return running_;
}

int TableWalk::phase() const {
    std::lock_guard g(m_);
    return phase_;
}

QString TableWalk::currentLinkText() const {
    return QString::asprintf("%02X", link_ < links_.size() ? links_[link_] : 0);
}

// The link record of the link being walked: looked up by its handle, since a link whose
// peer has no services never gets a record.
const Link* TableWalk::currentLink() const {
    return link_ < links_.size() ? findLink(table_, currentLinkText()) : nullptr;
}

TableWalk::Step TableWalk::send(Op op, const QString& uuid, std::uint16_t handle) {
    return {Step::Send, Command{op, links_[link_], uuid, handle}};
}

TableWalk::Step TableWalk::next() {
    std::lock_guard g(m_);
    if (!running_)
        return {};
    for (;;) {
        const Link* link = currentLink();
        const std::size_t services = link ? link->services.size() : 0;
        switch (phase_) {
        case 0:
            if (link_ < links_.size()) {
                phase_ = 1;
                return send(Op::DiscoverServices);
            }
            running_ = false;
            return {Step::Finished, {}};
        case 1:
            if (service_ >= services) {
                service_ = characteristic_ = 0;
                phase_ = 2;
                continue;
            }
            discovering_ = link->services[service_++].uuid;
            return send(Op::DiscoverCharacteristics, discovering_);
        case 2:
            while (service_ < services) {
                const auto& chars = link->services[service_].characteristics;
                if (characteristic_ >= chars.size()) {
                    ++service_;
                    characteristic_ = 0;
                    continue;
                }
                const Characteristic& c = chars[characteristic_++];
                if (reads_ == Reads::All || (c.properties & kPropRead)) {
                    pending_ = PendingRead{currentLinkText(), c.valueHandle};
                    return send(Op::ReadCharacteristic, {},
                                static_cast<std::uint16_t>(hexValue(c.valueHandle)));
                }
            }
            phase_ = 3;
            service_ = characteristic_ = descriptor_ = 0;
            continue;
        case 3:
            while (service_ < services) {
                const auto& chars = link->services[service_].characteristics;
                if (characteristic_ >= chars.size()) {
                    ++service_;
                    characteristic_ = descriptor_ = 0;
                    continue;
                }
                const auto& descriptors = chars[characteristic_].descriptors;
                if (descriptor_ >= descriptors.size()) {
                    ++characteristic_;
                    descriptor_ = 0;
                    continue;
                }
                const Descriptor& d = descriptors[descriptor_++];
                pending_ = PendingRead{currentLinkText(), d.handle};
                return send(Op::ReadDescriptor, {}, static_cast<std::uint16_t>(hexValue(d.handle)));
            }
            ++link_;
            phase_ = 0;
            service_ = characteristic_ = descriptor_ = 0;
            continue;
        default:
            running_ = false;
            return {};
        }
    }
}

bool TableWalk::addService(const QString& link, Service service) {
    std::lock_guard g(m_);
    return gatt::addService(table_, link, std::move(service));
}

bool TableWalk::addCharacteristic(const QString& link, Characteristic characteristic) {
    std::lock_guard g(m_);
    return gatt::addCharacteristic(table_, link, discovering_, std::move(characteristic));
}

bool TableWalk::addDescriptor(const QString& link, Descriptor descriptor) {
    std::lock_guard g(m_);
    return gatt::addDescriptor(table_, link, std::move(descriptor));
}

QString TableWalk::discoveringUuid() const {
    std::lock_guard g(m_);
    return discovering_;
}

void TableWalk::setPendingRead(PendingRead read) {
    std::lock_guard g(m_);
    pending_ = std::move(read);
}

std::optional<TableWalk::PendingRead> TableWalk::pendingRead() const {
    std::lock_guard g(m_);
    return pending_;
}

std::optional<TableWalk::PendingRead> TableWalk::placeReadReply(const QString& value) {
    std::lock_guard g(m_);
    auto read = std::exchange(pending_, std::nullopt);
    if (read)
        gatt::placeValue(table_, read->link, read->handle, value);
    return read;
}

bool TableWalk::placeValue(const QString& link, const QString& handle, const QString& value) {
    std::lock_guard g(m_);
    return gatt::placeValue(table_, link, handle, value);
}

Table TableWalk::table() const {
    std::lock_guard g(m_);
    return table_;
}

bool TableWalk::hasLinks() const {
    std::lock_guard g(m_);
    return !table_.empty();
}

} // namespace nuvex3::gatt
