#include "tests/console/LayoutChecks.h"

#include "gui/IpAddressEdit.h"
#include "gui/TemplateBuilder.h"
#include "resources/ConsoleTemplate.h"

#include <QAccessible>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QStyleOptionGroupBox>
#include <QTreeWidget>

namespace {

// The widest values the controls are there to show.
const QString kWidestAddressPart = QStringLiteral("255");
const QString kPhysicalAddress = QStringLiteral("02-00-5E-12-00-0B");
constexpr int kLineEditMargin = 2; // Qt's line edit keeps this much beside its text

QString NameOf(const QWidget* widget) {
    if (auto* label = qobject_cast<const QLabel*>(widget); label && !label->text().isEmpty()) {
        return QStringLiteral("label \"%1\"").arg(label->text());
    }
    if (auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        return QStringLiteral("\"%1\"").arg(button->text());
    }
    if (auto* group = qobject_cast<const QGroupBox*>(widget)) {
        return QStringLiteral("group \"%1\"").arg(group->title());
    }
    if (const int id = ControlIdOf(widget)) {
        return QStringLiteral("control %1").arg(id);
    }
    return QString::fromLatin1(widget->metaObject()->className());
}

QString Fault(const QWidget* widget, const QString& what) {
    return NameOf(widget) + ": " + what;
}

// A text and the room it has: too wide or too tall is a fault.
void CheckFits(const QWidget* widget, const QString& text, const QRect& room, QStringList& faults,
               int flags = Qt::AlignLeft | Qt::AlignTop, const QWidget* namedAs = nullptr) {
    const QFontMetrics metrics = widget->fontMetrics();
    const int width = metrics.boundingRect(QRect(QPoint(), room.size()), flags, text).width();
    // The glyphs' height: the leading below the last line is never drawn.
    const int height =
        metrics.height() + static_cast<int>(text.count(QLatin1Char('\n'))) * metrics.lineSpacing();
    if (width > room.width() || height > room.height()) {
        faults << Fault(namedAs ? namedAs : widget, QStringLiteral("\"%1\" needs %2x%3, has %4x%5")
                                                        .arg(text)
                                                        .arg(width)
                                                        .arg(height)
                                                        .arg(room.width())
                                                        .arg(room.height()));
    }
}

QRect LineEditTextRoom(const QLineEdit* edit) {
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth = edit->hasFrame()
                           ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit)
                           : 0;
    const QRect contents =
        edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
    return contents.adjusted(kLineEditMargin, 0, -kLineEditMargin, 0);
}

// A part of a group box as its style lays it out: SC_GroupBoxLabel, its title, or
// SC_GroupBoxFrame, the line drawn around its controls.
QRect GroupPart(const QGroupBox* group, QStyle::SubControl part) {
    QStyleOptionGroupBox option;
    option.initFrom(group);
    option.text = group->title();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    option.textAlignment = group->alignment();
    return group->style()->subControlRect(QStyle::CC_GroupBox, &option, part, group);
}

// The room a button's style leaves for its caption.
QRect ButtonCaptionRoom(QAbstractButton* button, QStyle::SubElement contents) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    return button->style()->subElementRect(contents, &option, button);
}

void CheckCaption(QWidget* widget, QStringList& faults) {
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        if (!label->text().isEmpty()) {
            CheckFits(label, label->text(), label->contentsRect(), faults,
                      static_cast<int>(label->alignment()));
        }
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
        CheckFits(button, QString(button->text()).remove(QLatin1Char('&')),
                  ButtonCaptionRoom(button, QStyle::SE_PushButtonContents), faults,
                  Qt::AlignCenter | Qt::TextShowMnemonic);
    } else if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
        CheckFits(radio, radio->text(), ButtonCaptionRoom(radio, QStyle::SE_RadioButtonContents),
                  faults, Qt::AlignLeft | Qt::AlignVCenter);
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        const QRect title = GroupPart(group, QStyle::SC_GroupBoxLabel);
        if (!group->rect().contains(title)) {
            faults << Fault(group, QStringLiteral("its title runs past its frame"));
        }
        CheckFits(group, group->title(), title, faults);
    } else if (auto* address = qobject_cast<CIpAddressEdit*>(widget)) {
        for (int part = 0; part < CIpAddressEdit::kFieldCount; ++part) {
            QLineEdit* field = address->Field(part);
            CheckFits(field, kWidestAddressPart, LineEditTextRoom(field), faults, Qt::AlignCenter,
                      address);
            if (!address->rect().contains(field->geometry())) {
                faults << Fault(address, QStringLiteral("part %1 lies outside it").arg(part + 1));
            }
        }
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        const int id = ControlIdOf(edit);
        const QString widest = id == IDC_PHYSICAL_ADDRESS ? kPhysicalAddress : QStringLiteral("4");
        CheckFits(edit, widest, LineEditTextRoom(edit), faults);
    } else if (auto* list = qobject_cast<QTreeWidget*>(widget)) {
        QHeaderView* header = list->header();
        const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
        for (int column = 0; column < list->columnCount(); ++column) {
            const QString caption = list->headerItem()->text(column);
            const QRect room(0, 0, header->sectionSize(column) - 2 * margin, header->height());
            CheckFits(header, caption, room, faults, Qt::AlignLeft | Qt::AlignVCenter);
        }
    }
}

} // namespace

QStringList LayoutFaults(QWidget* dialog) {
    QStringList faults;
    const QList<QWidget*> children = dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    QList<QWidget*> controls;
    QList<QGroupBox*> groups;
    for (QWidget* child : children) {
        if (child->isWindow() || !child->isVisibleTo(dialog)) {
            continue;
        }
        if (!dialog->rect().contains(child->geometry())) {
            faults << Fault(child, QStringLiteral("outside the window"));
        }
        CheckCaption(child, faults);
        if (auto* group = qobject_cast<QGroupBox*>(child)) {
            groups << group;
        } else {
            controls << child;
        }
    }
    for (int i = 0; i < controls.size(); ++i) {
        for (int j = i + 1; j < controls.size(); ++j) {
            if (controls[i]->geometry().intersects(controls[j]->geometry())) {
                faults << Fault(controls[i], QStringLiteral("overlaps ") + NameOf(controls[j]));
            }
        }
    }
    // A control may lie on a group box, but only inside its frame line, and off its title.
    for (QGroupBox* group : groups) {
        const QRect title = GroupPart(group, QStyle::SC_GroupBoxLabel).translated(group->pos());
        const QRect inside = GroupPart(group, QStyle::SC_GroupBoxFrame)
                                 .adjusted(1, 1, -1, -1)
                                 .translated(group->pos());
        for (QWidget* control : controls) {
            const QRect place = control->geometry();
            if (place.intersects(title)) {
                faults << Fault(control, QStringLiteral("covers the title of ") + NameOf(group));
            } else if (place.intersects(group->geometry()) && !inside.contains(place)) {
                faults << Fault(control, QStringLiteral("sticks out of ") + NameOf(group));
            }
        }
    }
    return faults;
}

QStringList UnnamedControls(QWidget* dialog) {
    QStringList unnamed;
    for (QWidget* child : dialog->findChildren<QWidget*>()) {
        if (child->isWindow() || !child->isVisibleTo(dialog) ||
            child->focusPolicy() == Qt::NoFocus) {
            continue;
        }
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(child);
        if (accessible == nullptr || accessible->text(QAccessible::Name).trimmed().isEmpty()) {
            unnamed << NameOf(child);
        }
    }
    return unnamed;
}
