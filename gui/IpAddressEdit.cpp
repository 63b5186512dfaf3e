#include "gui/IpAddressEdit.h"

#include "console/AddressFields.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

#include <algorithm>

namespace {

constexpr int kMaxPartValue = 255;

// Screen readers read the whole dotted address as the control's value.
class IpAddressAccessible : public QAccessibleWidget {
public:
    explicit IpAddressAccessible(QWidget* widget)
        : QAccessibleWidget(widget, QAccessible::EditableText) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) {
            return static_cast<CIpAddressEdit*>(widget())->Text();
        }
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* IpAddressAccessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("CIpAddressEdit") && object && object->isWidgetType()) {
        return new IpAddressAccessible(static_cast<QWidget*>(object));
    }
    return nullptr;
}

bool IsSeparatorKey(const QKeyEvent* key) {
    return key->text() == QLatin1String(".") || key->text() == QLatin1String(" ");
}

} // namespace

std::optional<std::uint32_t> ParseDottedAddress(const QString& text) {
    return ParseDottedQuad(text.toStdString());
}

CIpAddressEdit::CIpAddressEdit(QWidget* parent) : QFrame(parent) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(IpAddressAccessibleFactory);
        return true;
    }();
    (void)factoryInstalled;

    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    setFocusPolicy(Qt::StrongFocus);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 0, 2, 0);
    layout->setSpacing(0);
    auto* validator =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), this);
    for (int i = 0; i < kFieldCount; ++i) {
        if (i > 0) {
            auto* dot = new QLabel(QStringLiteral("."), this);
            dot->setAlignment(Qt::AlignCenter);
            layout->addWidget(dot);
        }
        auto* field = new QLineEdit(this);
        field->setFrame(false);
        // The control is one stop of the tab order, as a single field is: Tab enters it at
        // its first part (Qt's tab chain passes over a widget with a focus proxy, so that
        // part must take Tab itself); the other parts are reached by clicking or with the
        // keys above.
        field->setFocusPolicy(i == 0 ? Qt::StrongFocus : Qt::ClickFocus);
        field->setAlignment(Qt::AlignCenter);
        field->setValidator(validator);
        field->setMaxLength(3);
        field->setAccessibleName(tr("часть %1").arg(i + 1));
        field->installEventFilter(this);
        connect(field, &QLineEdit::textEdited, this, [this, i] { OnFieldEdited(i); });
        connect(field, &QLineEdit::textChanged, this, &CIpAddressEdit::AddressChanged);
        layout->addWidget(field, 1);
        fields_[static_cast<std::size_t>(i)] = field;
    }
    setFocusProxy(fields_[0]);
}

int CIpAddressEdit::GetAddress(std::uint32_t* value) const {
    std::uint32_t address = 0;
    int filled = 0;
    for (int i = 0; i < kFieldCount; ++i) {
        const int part = FieldValue(i);
        address <<= 8;
        if (part != kBlank) {
            address |= static_cast<std::uint32_t>(part);
            ++filled;
        }
    }
    if (value) {
        *value = address;
    }
    return filled;
}

void CIpAddressEdit::SetAddress(std::uint32_t value) {
    for (int i = 0; i < kFieldCount; ++i) {
        const unsigned part = (value >> (8 * (kFieldCount - 1 - i))) & 0xFFu;
        Field(i)->setText(QString::number(part));
    }
}

void CIpAddressEdit::SetAddressText(const QString& dotted) {
    if (const auto value = ParseDottedAddress(dotted)) {
        SetAddress(*value);
    } else {
        ClearAddress();
    }
}

void CIpAddressEdit::ClearAddress() {
    for (QLineEdit* field : fields_) {
        field->clear();
    }
}

bool CIpAddressEdit::IsBlank() const { return GetAddress(nullptr) == 0; }

int CIpAddressEdit::FieldValue(int field) const {
    const QString text = Field(field)->text();
    if (text.isEmpty()) {
        return kBlank;
    }
    return std::min(text.toInt(), kMaxPartValue);
}

QString CIpAddressEdit::Text() const {
    if (IsBlank()) {
        return QString();
    }
    QStringList parts;
    for (int i = 0; i < kFieldCount; ++i) {
        const int part = FieldValue(i);
        parts << (part == kBlank ? QString() : QString::number(part));
    }
    return parts.join(QLatin1Char('.'));
}

int CIpAddressEdit::IndexOf(QObject* field) const {
    for (int i = 0; i < kFieldCount; ++i) {
        if (fields_[static_cast<std::size_t>(i)] == field) {
            return i;
        }
    }
    return -1;
}

void CIpAddressEdit::OnFieldEdited(int field) {
    QLineEdit* edit = Field(field);
    if (!edit->text().isEmpty() && edit->text().toInt() > kMaxPartValue) {
        edit->setText(QString::number(kMaxPartValue));
    }
    emit FieldChanged(field, FieldValue(field));
    if (edit->text().size() == 3 && edit->cursorPosition() == 3 && field + 1 < kFieldCount) {
        MoveTo(field + 1, false);
        Field(field + 1)->selectAll();
    }
    QAccessibleValueChangeEvent change(this, Text());
    QAccessible::updateAccessibility(&change);
}

void CIpAddressEdit::MoveTo(int field, bool atEnd) {
    QLineEdit* edit = Field(field);
    edit->setFocus(Qt::OtherFocusReason);
    edit->deselect();
    edit->setCursorPosition(atEnd ? static_cast<int>(edit->text().size()) : 0);
}

bool CIpAddressEdit::eventFilter(QObject* watched, QEvent* event) {
    const int field = IndexOf(watched);
    if (field < 0 || event->type() != QEvent::KeyPress) {
        return QFrame::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    QLineEdit* edit = Field(field);
    const bool atStart = edit->cursorPosition() == 0 && !edit->hasSelectedText();
    const bool atEnd = edit->cursorPosition() == edit->text().size() && !edit->hasSelectedText();

    if (IsSeparatorKey(key)) {
        // A separator ends a filled part; on an empty part it is ignored.
        if (!edit->text().isEmpty() && field + 1 < kFieldCount) {
            MoveTo(field + 1, false);
            Field(field + 1)->selectAll();
        }
        return true;
    }
    switch (key->key()) {
    case Qt::Key_Backspace:
        if (atStart && field > 0) {
            MoveTo(field - 1, true);
            return true;
        }
        break;
    case Qt::Key_Left:
        if (atStart && field > 0) {
            MoveTo(field - 1, true);
            return true;
        }
        break;
    case Qt::Key_Right:
        if (atEnd && field + 1 < kFieldCount) {
            MoveTo(field + 1, false);
            return true;
        }
        break;
    default:
        break;
    }
    return QFrame::eventFilter(watched, event);
}
