#pragma once

#include <QFrame>

#include <array>
#include <cstdint>
#include <optional>

class QLineEdit;

// A four-part dotted address as a 32-bit value, first part most significant; nothing
// unless the text is exactly four decimal parts of 0..255.
std::optional<std::uint32_t> ParseDottedAddress(const QString& text);

// An IPv4 address entry of four parts, each blank or 0..255, with the keyboard habits
// technicians know from the address controls of Windows: "." or a space moves to the
// next part, a third digit moves on by itself, Backspace at a part's start goes back to
// the previous part, and a value over 255 is brought back to 255.
class CIpAddressEdit : public QFrame {
    Q_OBJECT

public:
    static constexpr int kFieldCount = 4;
    static constexpr int kBlank = -1;

    explicit CIpAddressEdit(QWidget* parent = nullptr);

    // The address with blank parts read as 0, most significant byte first; returns how
    // many of the four parts are filled.
    int GetAddress(std::uint32_t* value) const;
    void SetAddress(std::uint32_t value);
    // Shows a dotted address ("192.168.1.10"); any other text leaves the control blank.
    void SetAddressText(const QString& dotted);
    void ClearAddress();
    bool IsBlank() const;

    // The value of part 0..3, or kBlank.
    int FieldValue(int field) const;
    // Dotted text with blank parts left empty ("192..1.10"), empty when all are blank.
    QString Text() const;

    QLineEdit* Field(int field) const { return fields_[static_cast<std::size_t>(field)]; }

signals:
    // The user changed a part (typing, deleting, or a value brought back to 255).
    void FieldChanged(int field, int value);
    // Any change of the address, the user's or the program's.
    void AddressChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int IndexOf(QObject* field) const;
    void OnFieldEdited(int field);
    void MoveTo(int field, bool atEnd);

    std::array<QLineEdit*, kFieldCount> fields_{};
};
