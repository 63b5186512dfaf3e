// The console's programming of a controller's address number through the hub.
#include "adapters/ImproperArgument.h"
#include "console/ControllerNumber.h"
#include "console/KestruneDlg.h"
#include "hubsession/HubParameterRules.h"
#include "platform/SocketApi.h"
#include "resources/ConsoleTemplate.h"

namespace {

constexpr std::chrono::milliseconds kResultWait{5000};

// The person at the hub fits a jumper and keeps cards away meanwhile: the questions stay
// in front of whatever else is on the screen.
bool ConfirmBeforeWriting(ConsoleView& view, const std::string& text) {
    return view.ShowBox(SystemConfirmation(text)) == BoxAnswer::Yes;
}

} // namespace

void CKestruneDlg::WriteControllerNumber() {
    if (operation_ != Operation::None)
        return;
    if (!UpdateData(true))
        return;
    const std::uint32_t number = controllerNumber_;
    if (const auto problem = CheckControllerNumber(number, linkFlags)) {
        ShowAppMessage(*problem);
        return;
    }
    const std::string modelText = CheckedAt(hubList_.hubModelTexts, hubList_.selectedHubIndex);
    if (!FirmwareSupportsControllerNumbers(modelText) &&
        !ConfirmBeforeWriting(
            view_, "Вероятно прошивка выбранного хаба не поддерживает программирование "
                   "номеров контроллеров терминалов.\nЕсли Вы настаиваете на продолжении - "
                   "нажмите \"Да (Yes)\"")) {
        return;
    }
    if (!ConfirmBeforeWriting(
            view_, "Процедура записи номера контроллера требует установки соответствующей "
                   "перемычки.\nВо время записи не допускаются предъявление пропуска или "
                   "ручное открытие замка.\nЕсли Вы готовы к этому - нажмите \"Да (Yes)\"")) {
        return;
    }

    const HubRequest request = MakeControllerNumberRequest(static_cast<std::uint8_t>(number));
    numberAnswered = false;
    const std::int32_t written = session_->Write(
        request.data(), static_cast<std::uint32_t>(request.size()), platform::kInfinite);
    if (written != static_cast<std::int32_t>(request.size())) {
        ShowAppMessage("Произошли ошибки при передаче данных хабу. Повторите попытку или "
                       "вызовите специалиста...");
        return;
    }
    if (debugMode_)
        AppendToLog("\r\n>>" + HexBytes(request) + "\r\n");
    AppendToLog("Передана команда установки номера контроллера терминала...\r\n");
    // The hub's result ends the wait the moment it is in; without one it ends after 5 s.
    Begin(Operation::NumberWait, {IDC_WRITE_NUMBER, IDC_APPLY_PARAMETERS, IDC_DISCONNECT});
    timer_ = scheduler_.StartTimer(kResultWait, [this] {
        timer_ = 0;
        EndNumberWait();
        if (!numberAnswered) {
            ShowAppMessage("Ответ от хаба о результатах установки номера контроллера не "
                           "получен.  Повторите попытку или вызовите специалиста...");
        }
        AfterNumberWait();
    });
}

void CKestruneDlg::EndNumberWait() {
    if (operation_ != Operation::NumberWait)
        return;
    if (timer_ != 0)
        scheduler_.CancelTimer(std::exchange(timer_, 0));
    End();
}

void CKestruneDlg::AfterNumberWait() {
    if (const auto code = std::exchange(dropDuringNumberWait_, std::nullopt))
        RunHandler([this, code] { OnUpdateConnection(*code, session_.get()); });
}

void CKestruneDlg::OnNumberResult(const ControllerNumberResult& result) {
    numberAnswered = true;
    EndNumberWait();
    const std::string text = ControllerNumberResultText(result, controllerNumber_);
    const BoxIcon icon = result.number == controllerNumber_ && result.resultCode == 0
                             ? BoxIcon::Information
                             : BoxIcon::Warning;
    AppendToLog(text + "\r\n");
    // One box at a time: a modal box runs its own loop, where every result queued behind
    // it would open another box inside it, until a hub that keeps sending results ran the
    // stack out. Results that come meanwhile are logged all the same.
    if (!std::exchange(resultBoxShown_, true)) {
        ShowAppMessage(text, icon);
        resultBoxShown_ = false;
    }
    AfterNumberWait();
}
