// The console's programming of a controller's address number through the hub.
#include "adapters/ImproperArgument.h"
#include "hubsession/ControllerNumber.h"
#include "console/KestruneDlg.h"
#include "hubsession/HubParameterRules.h"
#include "resources/ConsoleTemplate.h"

namespace {

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

    // Both questions are answered: the session checks again, sends and waits.
    const HubSession::NumberRequest request{number, modelText, true, true};
    numberAnswered = false;
    const auto refused = hub_->WriteNumber(request, [this](const HubSession::NumberOutcome& outcome) {
        // The hub's result ends the wait the moment it is in (its box follows, from the
        // report); without one the wait ends after five seconds.
        EndNumberWait();
        if (outcome.kind == HubSession::NumberOutcome::Kind::NoAnswer) {
            if (!numberAnswered)
                ShowAppMessage(outcome.text);
            AfterNumberWait();
        }
    });
    if (refused) {
        ShowAppMessage(refused->text);
        return;
    }
    if (debugMode_)
        AppendToLog("\r\n>>" + hub_->LastNumberDump() + "\r\n");
    AppendToLog(HubSession::kNumberSentText);
    Begin(Operation::NumberWait, {IDC_WRITE_NUMBER, IDC_APPLY_PARAMETERS, IDC_DISCONNECT});
}

void CKestruneDlg::EndNumberWait() {
    if (operation_ == Operation::NumberWait)
        End();
}

void CKestruneDlg::AfterNumberWait() {
    if (const auto code = std::exchange(dropDuringNumberWait_, std::nullopt))
        RunHandler([this, code] { OnUpdateConnection(*code, &hub_->Connection()); });
}

void CKestruneDlg::OnNumberResult(const ControllerNumberResult& result) {
    numberAnswered = true;
    EndNumberWait(); // the session has ended its wait already
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
