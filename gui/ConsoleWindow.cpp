#include "gui/ConsoleWindow.h"

#include "console/ConsoleCommands.h"
#include "gui/AboutDlg.h"
#include "gui/EventLog.h"
#include "gui/FileDialogs.h"
#include "gui/HubListView.h"
#include "gui/IpAddressEdit.h"
#include "gui/MessageBoxes.h"
#include "gui/SelectNetworkAdapter.h"
#include "gui/Settings.h"
#include "gui/TemplateBuilder.h"
#include "resources/AboutTemplate.h"
#include "resources/ConsoleTemplate.h"
#include "resources/ProgramIcon.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

} // namespace

CConsoleWindow::CConsoleWindow(bool debugMode, QWidget* parent, const ConsoleServices& services)
    : CTemplateDialog(parent) {
    setObjectName(QStringLiteral("console"));
    // A caption bar with the close command only; the window keeps the template's size.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    TemplateBuilder builder(this, ConsoleTemplate());
    controls_ = builder.Build();
    Log()->setAccessibleName(QStringLiteral("Журнал событий"));
    console_ =
        std::make_unique<CKestruneDlg>(*this, scheduler_, debugMode, WithQtSettings(services));
    ConnectHandlers();
}

CConsoleWindow::~CConsoleWindow() {
    // The console goes first: it closes the session while its view is still whole.
    console_.reset();
}

QPushButton* CConsoleWindow::Button(int id) const { return qobject_cast<QPushButton*>(Control(id)); }

CIpAddressEdit* CConsoleWindow::IpField(int id) const {
    return qobject_cast<CIpAddressEdit*>(Control(id));
}

QRadioButton* CConsoleWindow::LinkIndicator(int controller) const {
    return qobject_cast<QRadioButton*>(Control(IDC_LINK_1 + controller - 1));
}

QTreeWidget* CConsoleWindow::HubListView() const {
    return qobject_cast<QTreeWidget*>(Control(IDC_HUB_LIST));
}

CEventLog* CConsoleWindow::Log() const { return qobject_cast<CEventLog*>(Control(IDC_LOG)); }

void CConsoleWindow::RunQueued(void (CKestruneDlg::*action)()) {
    // The list handles the event first (its selection moves), then the console looks at
    // the selection.
    QMetaObject::invokeMethod(
        this, [this, action] { ((*console_).*action)(); }, Qt::QueuedConnection);
}

void CConsoleWindow::ConnectHandlers() {
    // Every push button and address field tells the console its id; the console knows
    // which of them it acts on. "Закончить" closes the window here.
    connect(Button(IDCANCEL), &QPushButton::clicked, this, &QDialog::reject);
    for (auto control = controls_.cbegin(); control != controls_.cend(); ++control) {
        const int id = control.key();
        if (auto* button = qobject_cast<QPushButton*>(control.value()); button && id != IDCANCEL)
            connect(button, &QPushButton::clicked, this,
                    [this, id] { console_->OnButtonClicked(id); });
        else if (auto* field = qobject_cast<CIpAddressEdit*>(control.value()))
            connect(field, &CIpAddressEdit::FieldChanged, this,
                    [this, id] { console_->OnFieldEdited(id); });
    }
    const auto menuCommand = [this](const char16_t* text, unsigned command) {
        auto* action = new QAction(QString::fromUtf16(text), this);
        connect(action, &QAction::triggered, this,
                [this, command] { console_->OnMenuCommand(command); });
        return action;
    };
    saveLog_ = menuCommand(kSaveLogCommandText, kSaveLogCommandId);
    saveLog_->setShortcut(QKeySequence::Save);
    saveLog_->setShortcutContext(Qt::WindowShortcut);
    addAction(saveLog_);
    saveHubList_ = menuCommand(kSaveHubListCommandText, kSaveHubListCommandId);
    // The list's clicks and keys, on the list and its viewport, reach eventFilter.
    HubListView()->installEventFilter(this);
    HubListView()->viewport()->installEventFilter(this);
}

void CConsoleWindow::OnInitDialog() {
    setWindowIcon(ProgramIcon());
    TemplateBuilder::SetColumns(HubListView(), HubListColumns());
    hub_list_view::AllowSorting(HubListView());
    console_->OnInitDialog();
}

void CConsoleWindow::paintEvent(QPaintEvent* event) {
    CTemplateDialog::paintEvent(event);
    if (console_->OnPaint()) {
        // The window is on the screen: what the start-up still has to do (the search)
        // begins once this paint is over.
        QMetaObject::invokeMethod(this, [this] { console_->OnFirstPaint(); }, Qt::QueuedConnection);
    }
}

void CConsoleWindow::OnOK() {
    if (console_->OnOK())
        accept();
}

void CConsoleWindow::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        // Enter presses the push button that has the focus; anywhere else it is the
        // dialog's OK: commit the form, then close.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            if (button->isEnabled())
                button->click();
            return;
        }
        OnOK();
        return;
    }
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        console_->OnMenuCommand(kAboutCommandId);
        return;
    }
    QDialog::keyPressEvent(event);
}

void CConsoleWindow::contextMenuEvent(QContextMenuEvent* event) {
    // The window's own menu: Linux window managers keep the title bar's menu to
    // themselves, so the About command lives here (and on F1).
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("windowMenu"));
    menu.addAction(saveLog_);
    menu.addAction(saveHubList_);
    menu.addSeparator();
    QAction* about = menu.addAction(QString::fromUtf16(kAboutCommandText));
    if (menu.exec(event->globalPos()) == about)
        console_->OnMenuCommand(kAboutCommandId);
}

bool CConsoleWindow::eventFilter(QObject* watched, QEvent* event) {
    QTreeWidget* list = HubListView();
    if (watched == list || watched == list->viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonRelease:
            // The release that ends a double-click is no click of its own: the connect it
            // started must not be followed by a selection that enables "connect" again.
            if (endsDoubleClick_)
                endsDoubleClick_ = false;
            else if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
                RunQueued(&CKestruneDlg::OnHubListSelectionChanged);
            break;
        case QEvent::MouseButtonDblClick:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                endsDoubleClick_ = true;
                RunQueued(&CKestruneDlg::OnHubListActivated);
            }
            break;
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space)
                RunQueued(&CKestruneDlg::OnHubListSelectionChanged);
            break;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// The view.

void CConsoleWindow::SetControlText(int id, const std::string& text) {
    QWidget* control = Control(id);
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        edit->setText(Q(text));
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(Q(text));
}

std::string CConsoleWindow::ControlText(int id) const {
    QWidget* control = Control(id);
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        return edit->text().toStdString();
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        return button->text().toStdString();
    return {};
}

void CConsoleWindow::EnableControl(int id, bool enabled) {
    if (QWidget* control = Control(id))
        control->setEnabled(enabled);
}

bool CConsoleWindow::IsControlEnabled(int id) const {
    const QWidget* control = Control(id);
    return control != nullptr && control->isEnabled();
}

void CConsoleWindow::CheckControl(int id, bool checked) {
    if (auto* button = qobject_cast<QAbstractButton*>(Control(id)))
        button->setChecked(checked);
}

void CConsoleWindow::FocusControl(int id, bool selectText) {
    QWidget* control = Control(id);
    if (control == nullptr)
        return;
    control->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(control); edit && selectText)
        edit->selectAll();
}

void CConsoleWindow::FocusPreviousControl() { focusPreviousChild(); }

int CConsoleWindow::FocusedControl() const {
    // A part of an address control, or the list's viewport, stands for its control.
    for (const QWidget* widget = focusWidget(); widget != nullptr && widget != this;
         widget = widget->parentWidget()) {
        const int id = ControlIdOf(widget);
        if (id != 0 && Control(id) == widget)
            return id;
    }
    return 0;
}

void CConsoleWindow::SetAddress(int id, std::uint32_t value) {
    if (CIpAddressEdit* field = IpField(id))
        field->SetAddress(value);
}

void CConsoleWindow::SetAddressText(int id, const std::string& dotted) {
    if (CIpAddressEdit* field = IpField(id))
        field->SetAddressText(Q(dotted));
}

void CConsoleWindow::ClearAddress(int id) {
    if (CIpAddressEdit* field = IpField(id))
        field->ClearAddress();
}

AddressParts CConsoleWindow::AddressFields(int id) const {
    AddressParts parts;
    if (const CIpAddressEdit* field = IpField(id)) {
        for (int i = 0; i < CIpAddressEdit::kFieldCount; ++i) {
            const int value = field->FieldValue(i);
            if (value != CIpAddressEdit::kBlank)
                parts[static_cast<std::size_t>(i)] = value;
        }
    }
    return parts;
}

std::string CConsoleWindow::AddressText(int id) const {
    const CIpAddressEdit* field = IpField(id);
    return field != nullptr ? field->Text().toStdString() : std::string();
}

void CConsoleWindow::ShowHubRows(const std::vector<HubRow>& rows) {
    hub_list_view::ShowRows(HubListView(), rows);
}

std::optional<int> CConsoleWindow::SelectedHubRow() const {
    return hub_list_view::SelectedRow(HubListView());
}

void CConsoleWindow::AppendToLog(const std::string& text) { Log()->WriteToLog(Q(text)); }

void CConsoleWindow::ClearLog() { Log()->ClearLog(); }

std::string CConsoleWindow::LogText() const { return Log()->Text().toStdString(); }

BoxAnswer CConsoleWindow::ShowBox(const BoxRequest& box) {
    return ShowMessageBox(QtBoxRequest(box, this));
}

AdapterChoice CConsoleWindow::ChooseAdapter(const AdapterList& adapters,
                                            std::optional<int> preselected) {
    // No owner: at start-up it comes before the console's window shows.
    CSelectNetworkAdapter dialog(adapters, preselected);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    return {accepted, dialog.selectedAdapterIndex};
}

std::optional<std::string> CConsoleWindow::ChooseSaveFile(const SaveFileRequest& request) {
    SaveFileDialogRequest dialog;
    dialog.caption = Q(request.caption);
    dialog.suggestedName = Q(request.suggestedName);
    dialog.filter = QStringLiteral("%1 (*.%2)").arg(Q(request.typeName), Q(request.extension));
    dialog.owner = this;
    const std::optional<QString> path = ChooseSaveFileName(dialog);
    if (!path)
        return std::nullopt;
    return path->toStdString();
}

void CConsoleWindow::ShowAbout() {
    CAboutDlg about(this);
    about.exec();
}
