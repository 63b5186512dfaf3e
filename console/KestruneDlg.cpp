#include "console/KestruneDlg.h"

#include "adapters/ImproperArgument.h"
#include "console/AboutDlg.h"
#include "console/EventLog.h"
#include "console/IpAddressEdit.h"
#include "console/MessageBoxes.h"
#include "console/ControllerNumberField.h"
#include "console/TemplateBuilder.h"
#include "resources/AboutTemplate.h"
#include "resources/ConsoleTemplate.h"
#include "resources/ProgramIcon.h"
#include "platform/AdapterSource.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

namespace {

constexpr char16_t kNotConnectedCaption[] = u"Нет связи";

} // namespace

CKestruneDlg::CKestruneDlg(bool debugMode, QWidget* parent, ConsoleServices services)
    : CTemplateDialog(parent), debugMode_(debugMode), services_(std::move(services)),
      session_(debugMode) {
    if (!services_.adapters) {
        services_.adapters = platform::MakeAdapterSource();
    }
    setObjectName(QStringLiteral("console"));
    // A caption bar with the close command only; the window keeps the template's size.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    TemplateBuilder builder(this, ConsoleTemplate());
    controls_ = builder.Build();
    Log()->setAccessibleName(QStringLiteral("Журнал событий"));
    ConnectHandlers();
}

CKestruneDlg::~CKestruneDlg() {
    // The window goes: its hub session's socket and watcher go first.
    session_.Close();
}

QPushButton* CKestruneDlg::Button(int id) const { return qobject_cast<QPushButton*>(Control(id)); }

CIpAddressEdit* CKestruneDlg::IpField(int id) const {
    return qobject_cast<CIpAddressEdit*>(Control(id));
}

QRadioButton* CKestruneDlg::LinkIndicator(int controller) const {
    return qobject_cast<QRadioButton*>(Control(IDC_LINK_1 + controller - 1));
}

QTreeWidget* CKestruneDlg::HubListView() const {
    return qobject_cast<QTreeWidget*>(Control(IDC_HUB_LIST));
}

CEventLog* CKestruneDlg::Log() const { return qobject_cast<CEventLog*>(Control(IDC_LOG)); }

void CKestruneDlg::ConnectHandlers() {
    const auto onClick = [this](int id, void (CKestruneDlg::*handler)()) {
        connect(Button(id), &QPushButton::clicked, this, [this, handler] {
            RunHandler([this, handler] { (this->*handler)(); });
        });
    };
    connect(Button(IDCANCEL), &QPushButton::clicked, this, &QDialog::reject);
    onClick(IDC_CLEAR_LOG, &CKestruneDlg::ClearLog);
    onClick(IDC_ABOUT_ADAPTERS, &CKestruneDlg::ShowAdapterReport);
    onClick(IDC_SELECT_ADAPTER, &CKestruneDlg::SelectAdapter);
    onClick(IDC_SEARCH_HUBS, &CKestruneDlg::OnSearchHubsButton);
    // The list's clicks and keys, on the list and its viewport, reach eventFilter.
    HubListView()->installEventFilter(this);
    HubListView()->viewport()->installEventFilter(this);
    ConnectSessionHandlers();
}

void CKestruneDlg::RunHandler(const std::function<void()>& handler) {
    Log()->BeginStep();
    try {
        handler();
    } catch (const ImproperArgument&) {
        ShowAppMessage(QString::fromStdString(ImproperArgument::Text()), BoxIcon::Stop);
    }
}

void CKestruneDlg::OnInitDialog() {
    for (int controller = 1; controller <= 4; ++controller) {
        LinkIndicator(controller)->setEnabled(false);
    }
    setWindowIcon(ProgramIcon());
    Button(IDC_CONNECT)->setEnabled(false);
    Button(IDC_APPLY_PARAMETERS)->setEnabled(false);
    Button(IDC_DISCONNECT)->setEnabled(false);
    Button(IDC_WRITE_NUMBER)->setEnabled(false);
    Button(IDC_WRITE_NUMBER)->setText(QString::fromUtf16(kNotConnectedCaption));
    TemplateBuilder::SetColumns(HubListView(), HubListColumns());
    IpField(IDC_ADAPTER_ADDRESS)->setEnabled(false);
    IpField(IDC_ADAPTER_MASK)->setEnabled(false);
    session_.SetLogWindow(Log());
    session_.SetConsole(this);
    UpdateData(false);
    WriteToLog(QString::fromUtf16(kTitleLine));
    RunHandler([this] { StartWithAdapters(); });
}

void CKestruneDlg::WriteToLog(const QString& text) { Log()->WriteToLog(text); }

void CKestruneDlg::AppendToLog(const QString& text) { Log()->AppendToLog(text); }

void CKestruneDlg::AppendToLog(const std::string& text) {
    Log()->AppendToLog(text);
}

void CKestruneDlg::ClearLog() { Log()->ClearLog(); }

void CKestruneDlg::ShowAbout(unsigned command) {
    if ((command & 0xFFF0u) == kAboutCommandId) {
        CAboutDlg about(this);
        about.exec();
    }
}

bool CKestruneDlg::UpdateData(bool saveAndValidate) {
    auto* field = qobject_cast<QLineEdit*>(Control(IDC_CONTROLLER_NUMBER));
    if (!saveAndValidate) {
        field->setText(QString::number(controllerNumber_.load()));
        return true;
    }
    const auto value = ParseControllerNumber(field->text());
    if (!value) {
        ShowAppMessage(QStringLiteral("Enter a positive integer."), BoxIcon::Warning);
        field->setFocus(Qt::OtherFocusReason);
        field->selectAll();
        return false;
    }
    controllerNumber_ = *value;
    return true;
}

void CKestruneDlg::OnOK() {
    if (UpdateData(true)) {
        accept();
    }
}

void CKestruneDlg::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        // Enter presses the push button that has the focus; anywhere else it is the
        // dialog's OK: commit the form, then close.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            if (button->isEnabled()) {
                button->click();
            }
            return;
        }
        OnOK();
        return;
    }
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        ShowAbout(kAboutCommandId);
        return;
    }
    QDialog::keyPressEvent(event);
}

void CKestruneDlg::contextMenuEvent(QContextMenuEvent* event) {
    // The window's own menu: Linux window managers keep the title bar's menu to
    // themselves, so the About command lives here (and on F1).
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("windowMenu"));
    menu.addSeparator();
    QAction* about = menu.addAction(QString::fromUtf16(kAboutCommandText));
    if (menu.exec(event->globalPos()) == about) {
        ShowAbout(kAboutCommandId);
    }
}
