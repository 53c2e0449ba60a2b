#pragma once
// The "Air Patch" page: the first steps of a firmware update over the air through the
// vendor air patch characteristic of a connected peer. "Login" writes the login value,
// "Update Manufacture" and "Compare" load a firmware image (.bin) and write the first
// command of an image update or comparison. Every write is Write Characteristics Value
// (0x34, write type 0) on the first open link; no answer is taken back.

#include "framework/CPageBase.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QLineEdit;
class QProgressBar;
class QPushButton;

class CPageAirPatch : public CPageBase {
    Q_OBJECT
public:
    // An image file the user chose for an update.
    struct ImageFile {
        QString path;
        int erased = 0;
        int written = 0;
    };

    // Images larger than this are refused (no module flash holds more).
    static constexpr qint64 kMaxImageSize = 512 * 1024;
    // The vendor air patch characteristic, most significant byte first.
    static const QString& characteristicUuid();

    explicit CPageAirPatch(QWidget* parent = nullptr);

    // The value handle of the air patch characteristic on a link, when known (set by the
    // main window from the remote attribute table).
    using HandleLookup = std::function<std::optional<std::uint16_t>(std::uint8_t link)>;
    void setHandleLookup(HandleLookup lookup) { lookup_ = std::move(lookup); }

    // The handle text the writes go to (hexadecimal; empty reads as 0x0000). Each write
    // first asks the lookup, when there is one, for the handle on its link.
    const QString& valueHandleText() const { return handleText_; }
    void setValueHandleText(const QString& text) { handleText_ = text; }

    const std::vector<ImageFile>& images() const { return images_; }
    const QByteArray& compareImage() const { return compareImage_; }

    // Controls, for tests.
    QLineEdit* keyEdit() const { return key_; }
    QPushButton* loginButton() const { return login_; }
    QLineEdit* pathEdit() const { return path_; }
    QPushButton* updateManufactureButton() const { return updateManufacture_; }
    QPushButton* compareButton() const { return compare_; }
    QLineEdit* versionEdit(int i) const { return versions_[static_cast<std::size_t>(i)]; }
    QProgressBar* loadProgress() const { return load_; }
    QProgressBar* eraseProgress() const { return erase_; }
    QProgressBar* writeProgress() const { return writeBar_; }
    QProgressBar* compareProgress() const { return compareBar_; }

private:
    void login();
    void updateManufacture();
    void compareWithImage();
    // Opens the chosen image and checks its size; a message and nothing when it fails.
    std::optional<QByteArray> readImage(const QString& path, bool keepBytes);
    bool write(const std::vector<std::uint8_t>& value);
    std::uint8_t connectionHandle() const;
    std::uint16_t valueHandle(std::uint8_t link);

    QLineEdit* key_ = nullptr;
    QPushButton* login_ = nullptr;
    std::vector<QLineEdit*> versions_;
    QLineEdit* path_ = nullptr;
    QProgressBar* load_ = nullptr;
    QProgressBar* erase_ = nullptr;
    QProgressBar* writeBar_ = nullptr;
    QPushButton* updateManufacture_ = nullptr;
    QPushButton* updateServiceTable_ = nullptr;
    QPushButton* updatePatchCode_ = nullptr;
    QProgressBar* compareBar_ = nullptr;
    QPushButton* compare_ = nullptr;

    QString handleText_;
    HandleLookup lookup_;
    QString lastDirectory_;
    std::vector<ImageFile> images_;
    QByteArray compareImage_;
};
