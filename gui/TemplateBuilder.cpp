#include "gui/TemplateBuilder.h"

#include "gui/DialogUnits.h"
#include "gui/EventLog.h"
#include "gui/IpAddressEdit.h"

#include <QDialog>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QStyle>
#include <QTreeWidget>

#include <algorithm>
#include <cmath>

namespace {

constexpr char kControlIdProperty[] = "controlId";

QTreeWidget* CreateListView(QWidget* parent) {
    auto* list = new QTreeWidget(parent);
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setAllColumnsShowFocus(true);
    list->setSortingEnabled(false); // rows stay in their entries' order unless the face sorts them
    list->setFocusPolicy(Qt::StrongFocus);
    list->header()->setSectionsMovable(false);
    list->header()->setStretchLastSection(false);
    return list;
}

QLineEdit* CreateNumberEdit(QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    // Only digits can be typed; the form commit still checks what the field holds.
    edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    return edit;
}

} // namespace

TemplateBuilder::TemplateBuilder(QDialog* dialog, const DialogTemplate& dialogTemplate)
    : dialog_(dialog), template_(dialogTemplate) {}

QWidget* TemplateBuilder::Create(const ControlTemplate& control) {
    const QString caption = Text(control.caption);
    switch (control.kind) {
    case ControlKind::StaticText: {
        auto* label = new QLabel(caption, dialog_);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    case ControlKind::GroupBox:
        return new QGroupBox(caption, dialog_);
    case ControlKind::PushButton:
    case ControlKind::DefaultPushButton: {
        auto* button = new QPushButton(caption, dialog_);
        button->setDefault(control.kind == ControlKind::DefaultPushButton);
        return button;
    }
    case ControlKind::ListView:
        return CreateListView(dialog_);
    case ControlKind::IpAddress:
        return new CIpAddressEdit(dialog_);
    case ControlKind::Edit:
        return new QLineEdit(dialog_);
    case ControlKind::ReadOnlyEdit: {
        auto* edit = new QLineEdit(dialog_);
        edit->setReadOnly(true);
        return edit;
    }
    case ControlKind::NumberEdit:
        return CreateNumberEdit(dialog_);
    case ControlKind::LogEdit:
        return new CEventLog(dialog_);
    case ControlKind::RadioButton:
    case ControlKind::AutoRadioButton: {
        auto* radio = new QRadioButton(caption, dialog_);
        // Several indicators may be on at once: the program checks each one itself.
        radio->setAutoExclusive(false);
        radio->setProperty("automatic", control.kind == ControlKind::AutoRadioButton);
        return radio;
    }
    case ControlKind::Icon:
        return new QLabel(dialog_);
    }
    return nullptr;
}

QHash<int, QWidget*> TemplateBuilder::Build() {
    // A fixed-size window must fit its screen whole, or its lowest buttons are out of
    // reach: on a small screen (a 1366 x 768 laptop with GNOME's 11-point font) the
    // layout is drawn in a smaller size of the desktop's font.
    if (const QScreen* screen = dialog_->screen()) {
        const QFont fitting = FontThatFits(dialog_->font(), {template_.width, template_.height},
                                           screen->availableGeometry().size());
        if (fitting.pointSizeF() != dialog_->font().pointSizeF()) {
            dialog_->setFont(fitting);
        }
    }
    const DialogUnits units(dialog_->font());
    QHash<int, QWidget*> controls;
    QStringList labelsBefore; // the static texts that name the next unnamed control
    for (const ControlTemplate& control : template_.controls) {
        QWidget* widget = Create(control);
        widget->setGeometry(units.ToPixels(control.position));
        widget->setEnabled(control.initiallyEnabled);
        widget->setProperty(kControlIdProperty, control.id);
        const QString caption = Text(control.caption);
        if (control.kind == ControlKind::StaticText) {
            labelsBefore << caption.trimmed();
        } else {
            // A captioned control (button, radio button, group box) is named by Qt from its
            // caption as it stands: an explicit name would freeze the template's caption
            // while the control shows another ("Нет связи", "Ждите...", "Записать").
            if (caption.isEmpty() && !labelsBefore.isEmpty()) {
                widget->setAccessibleName(labelsBefore.join(QLatin1Char(' ')));
            }
            if (control.kind != ControlKind::GroupBox) {
                labelsBefore.clear();
            }
        }
        if (control.id != 0) {
            widget->setObjectName(QStringLiteral("control%1").arg(control.id));
            controls.insert(control.id, widget);
        }
    }
    dialog_->setWindowTitle(Text(template_.caption));
    dialog_->setFixedSize(units.ToPixels(template_.width, template_.height));
    return controls;
}

void TemplateBuilder::SetColumns(QTreeWidget* list, std::span<const ListColumn> columns) {
    QStringList captions;
    for (const ListColumn& column : columns) {
        captions << Text(column.caption);
    }
    list->setColumnCount(static_cast<int>(captions.size()));
    list->setHeaderLabels(captions);
    // An item's text keeps a focus frame's margin and one pixel on either side.
    const int textMargins =
        2 * (list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1);
    for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
        const ListColumn& column = columns[static_cast<std::size_t>(i)];
        int width = column.widthPixels;
        if (column.widestText != nullptr) {
            const qreal text =
                QFontMetricsF(list->font()).horizontalAdvance(Text(column.widestText));
            width = std::max(width, static_cast<int>(std::ceil(text)) + textMargins);
        }
        list->setColumnWidth(i, width);
        list->headerItem()->setTextAlignment(i, Qt::AlignLeft | Qt::AlignVCenter);
    }
}

int ControlIdOf(const QWidget* widget) {
    return widget ? widget->property(kControlIdProperty).toInt() : 0;
}
