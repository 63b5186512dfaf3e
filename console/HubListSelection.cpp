// The hub list view: a click or the space bar takes the selected hub into the connection
// fields; a double-click connects.
#include "console/IpAddressEdit.h"
#include "console/KestruneDlg.h"
#include "resources/ConsoleTemplate.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeWidget>

void CKestruneDlg::SyncHubSelection() {
    QTreeWidget* list = HubListView();
    const auto selected = list->selectedItems();
    if (selected.isEmpty()) {
        Button(IDC_CONNECT)->setEnabled(!IpField(IDC_CONNECT_ADDRESS)->IsBlank());
        return;
    }
    QTreeWidgetItem* row = selected.first();
    hubList_.selectedHubIndex = list->indexOfTopLevelItem(row);
    IpField(IDC_CONNECT_ADDRESS)->SetAddressText(row->text(0));
    qobject_cast<QLineEdit*>(Control(IDC_PHYSICAL_ADDRESS))->setText(row->text(2));
    Button(IDC_CONNECT)->setEnabled(true);
    UpdateData(false);
}

bool CKestruneDlg::eventFilter(QObject* watched, QEvent* event) {
    QTreeWidget* list = HubListView();
    const bool onList = watched == list || watched == list->viewport();
    if (onList) {
        // The list handles the event first (its selection moves), then the console looks
        // at the selection: hence the queued calls.
        switch (event->type()) {
        case QEvent::MouseButtonRelease:
            // The release that ends a double-click is no click of its own: the connect it
            // started must not be followed by a selection that enables "connect" again.
            if (endsDoubleClick_) {
                endsDoubleClick_ = false;
            } else if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                QMetaObject::invokeMethod(this, [this] { RunHandler([this] { SyncHubSelection(); }); },
                                          Qt::QueuedConnection);
            }
            break;
        case QEvent::MouseButtonDblClick:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                endsDoubleClick_ = true;
                QMetaObject::invokeMethod(this, [this] { RunHandler([this] { OpenSelectedHub(); }); },
                                          Qt::QueuedConnection);
            }
            break;
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
                QMetaObject::invokeMethod(this, [this] { RunHandler([this] { SyncHubSelection(); }); },
                                          Qt::QueuedConnection);
            }
            break;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}
