#include "pages/maintenance/CPageAirPatch.h"

#include "link/CKelvra_CmdSet_Layer.h"
#include "ui/Prompts.h"
#include "ui/ValueEntry.h"
#include "ui/ValueEntryQt.h"

#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

using namespace nuvex3;

namespace {

const QString kDefaultKey = QStringLiteral("3A7C19E0B25D48F6C1093E7A5D2B8F41");
const QString kBinFilter = QStringLiteral("BIN FILE(*.bin)");
const QString kOpenFailed = QStringLiteral(" Open File Failed ");
constexpr std::uint8_t kWriteRequest = 0;

// The first command of each procedure.
const std::vector<std::uint8_t> kLogin = {0x01};
const std::vector<std::uint8_t> kUpdateManufacture = {0x0A, 0x04, 0x48, 0x00,
                                                      0x01, 0x24, 0x00, 0x30};
const std::vector<std::uint8_t> kCompare = {0x0D, 0x04, 0x48, 0x00, 0x01, 0x24, 0x00, 0x10};

QProgressBar* progressBar(const QString& name, QWidget* parent) {
    auto* bar = new QProgressBar(parent);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setAccessibleName(name);
    return bar;
}

} // namespace

const QString& CPageAirPatch::characteristicUuid() {
    static const QString uuid = QStringLiteral("4B4F4C54ACA3481C91ECD85E28A60318");
    return uuid;
}

CPageAirPatch::CPageAirPatch(QWidget* parent) : CPageBase(QStringLiteral("Air Patch"), parent) {
    auto* loginBox = new QGroupBox(QStringLiteral("Login"), this);
    loginBox->setAccessibleName(loginBox->title());
    auto* loginForm = new QFormLayout(loginBox);
    key_ = new QLineEdit(kDefaultKey, loginBox);
    key_->setMaxLength(32);
    login_ = new QPushButton(QStringLiteral("Login"), loginBox);
    auto* keyLine = new QHBoxLayout;
    keyLine->addWidget(key_, 1);
    keyLine->addWidget(login_);
    loginForm->addRow(QStringLiteral("Key (Hex):"), keyLine);
    if (auto* l = qobject_cast<QLabel*>(loginForm->labelForField(keyLine)))
        l->setBuddy(key_);

    auto* versionBox = new QGroupBox(QStringLiteral("Update"), this);
    versionBox->setAccessibleName(QStringLiteral("Versions"));
    auto* versionForm = new QFormLayout(versionBox);
    for (const char* caption : {"ROM Version:", "Kernel Version:", "Patch Code Version:",
                                "Application ID:", "Application Version:"}) {
        auto* e = new QLineEdit(versionBox);
        e->setEnabled(false);
        versionForm->addRow(QString::fromLatin1(caption), e);
        versions_.push_back(e);
    }

    auto* updateBox = new QGroupBox(QStringLiteral("Update"), this);
    updateBox->setAccessibleName(updateBox->title());
    auto* updateForm = new QFormLayout(updateBox);
    path_ = new QLineEdit(updateBox);
    path_->setReadOnly(true);
    path_->setAccessibleName(QStringLiteral("Image file"));
    load_ = progressBar(QStringLiteral("Load Image:"), updateBox);
    erase_ = progressBar(QStringLiteral("Erase Flash:"), updateBox);
    writeBar_ = progressBar(QStringLiteral("Write Flash:"), updateBox);
    updateForm->addRow(QStringLiteral(":"), path_);
    updateForm->addRow(QStringLiteral("Load Image:"), load_);
    updateForm->addRow(QStringLiteral("Erase Flash:"), erase_);
    updateForm->addRow(QStringLiteral("Write Flash:"), writeBar_);
    updateManufacture_ = new QPushButton(QStringLiteral("Update Manufacture"), updateBox);
    updateServiceTable_ = new QPushButton(QStringLiteral("Update Service Table"), updateBox);
    updatePatchCode_ = new QPushButton(QStringLiteral("Update Patch Code"), updateBox);
    updateServiceTable_->hide();
    updatePatchCode_->hide();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(updateManufacture_);
    buttons->addWidget(updateServiceTable_);
    buttons->addWidget(updatePatchCode_);
    buttons->addStretch(1);
    updateForm->addRow(buttons);

    auto* compareBox = new QGroupBox(QStringLiteral("Compare"), this);
    compareBox->setAccessibleName(compareBox->title());
    auto* compareForm = new QFormLayout(compareBox);
    compareBar_ = progressBar(QStringLiteral("Compare:"), compareBox);
    compare_ = new QPushButton(QStringLiteral("Compare"), compareBox);
    auto* compareLine = new QHBoxLayout;
    compareLine->addWidget(compareBar_, 1);
    compareLine->addWidget(compare_);
    compareForm->addRow(QStringLiteral("Compare:"), compareLine);
    if (auto* l = qobject_cast<QLabel*>(compareForm->labelForField(compareLine)))
        l->setBuddy(compareBar_);

    auto* page = new QVBoxLayout(this);
    page->addWidget(loginBox);
    page->addWidget(versionBox);
    page->addWidget(updateBox);
    page->addWidget(compareBox);
    page->addStretch(1);

    connect(key_, &QLineEdit::textEdited, this,
            [this] { validateHexEdit(key_, 0, kMaxU32, false); });
    connect(login_, &QPushButton::clicked, this, [this] { login(); });
    connect(updateManufacture_, &QPushButton::clicked, this, [this] { updateManufacture(); });
    connect(compare_, &QPushButton::clicked, this, [this] { compareWithImage(); });
}

std::uint8_t CPageAirPatch::connectionHandle() const {
    // The link list as "%02X" per handle ("00" when empty), its first byte.
    QString text;
    for (std::uint8_t h : linkTable())
        text += QString::asprintf("%02X", h);
    if (text.isEmpty())
        text = QStringLiteral("00");
    return hexToBytes(text.toStdString()).front();
}

std::uint16_t CPageAirPatch::valueHandle(std::uint8_t link) {
    if (lookup_)
        if (const auto found = lookup_(link))
            return *found;
    return static_cast<std::uint16_t>(parseUnsigned(handleText_.toStdString(), 16));
}

bool CPageAirPatch::write(const std::vector<std::uint8_t>& value) {
    const std::uint8_t link = connectionHandle();
    const bool written = layer() && layer()->WriteCharacteristicsValue(link, kWriteRequest,
                                                                       valueHandle(link), value);
    if (!written)
        prompts().message(QStringLiteral("Write command fail!"));
    return written;
}

void CPageAirPatch::login() {
    write(kLogin);
}

std::optional<QByteArray> CPageAirPatch::readImage(const QString& path, bool keepBytes) {
    lastDirectory_ = QFileInfo(path).absolutePath();
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        prompts().message(kOpenFailed);
        return std::nullopt;
    }
    const qint64 size = file.size();
    if (size == 0) {
        prompts().message(QStringLiteral("The image file is empty: %1").arg(path));
        return std::nullopt;
    }
    if (size > kMaxImageSize) {
        prompts().message(QStringLiteral("The image file is too large: %1 (%2 bytes, at most %3)")
                              .arg(path)
                              .arg(size)
                              .arg(kMaxImageSize));
        return std::nullopt;
    }
    if (!keepBytes)
        return QByteArray();
    QByteArray bytes = file.read(kMaxImageSize + 1);
    if (bytes.size() != size) {
        prompts().message(kOpenFailed);
        return std::nullopt;
    }
    return bytes;
}

void CPageAirPatch::updateManufacture() {
    const QString chosen = prompts().openFile(kBinFilter, lastDirectory_);
    if (chosen.isEmpty())
        return;
    if (!readImage(chosen, false))
        return;
    if (!write(kUpdateManufacture))
        return;
    path_->setText(chosen);
    images_.push_back({chosen, 0, 0});
}

void CPageAirPatch::compareWithImage() {
    const QString chosen = prompts().openFile(kBinFilter, lastDirectory_);
    if (chosen.isEmpty())
        return;
    compareImage_.clear();
    auto bytes = readImage(chosen, true);
    if (!bytes)
        return;
    compareImage_ = std::move(*bytes);
    write(kCompare);
}
