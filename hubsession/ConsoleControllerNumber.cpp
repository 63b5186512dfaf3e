// The console's programming of a controller's address number through the hub.
#include "adapters/ImproperArgument.h"
#include "console/KestruneDlg.h"
#include "console/MessageBoxes.h"
#include "hubsession/HubParameterRules.h"
#include "platform/SocketApi.h"

#include <chrono>

namespace {

constexpr std::uint32_t kHighestControllerNumber = kControllerCount;
constexpr std::chrono::milliseconds kResultWait{5000};

} // namespace

void CKestruneDlg::WriteControllerNumber() {
    if (!UpdateData(true)) {
        return;
    }
    const std::uint32_t number = controllerNumber_.load();
    if (number == 0 || number > kHighestControllerNumber) {
        ShowAppMessage(QStringLiteral("Недопустимый адресный номер контроллера. Может быть 1...%1")
                           .arg(kHighestControllerNumber));
        return;
    }
    if (linkFlags[number - 1].load()) {
        ShowAppMessage(QStringLiteral("Запись номера контроллера невозможна из-за дублирования "
                                      "номера контроллеров. Контроллер с номером %1 существует в "
                                      "этом хабе и находится на связи...")
                           .arg(number));
        return;
    }
    const std::string modelText = CheckedAt(hubList_.hubModelTexts, hubList_.selectedHubIndex);
    if (!FirmwareSupportsControllerNumbers(modelText) &&
        !ConfirmWarning(QStringLiteral(
            "Вероятно прошивка выбранного хаба не поддерживает программирование номеров "
            "контроллеров терминалов.\nЕсли Вы настаиваете на продолжении - нажмите \"Да (Yes)\""))) {
        return;
    }
    if (!ConfirmWarning(QStringLiteral(
            "Процедура записи номера контроллера требует установки соответствующей перемычки.\n"
            "Во время записи не допускаются предъявление пропуска или ручное открытие замка.\n"
            "Если Вы готовы к этому - нажмите \"Да (Yes)\""))) {
        return;
    }

    const HubRequest request = MakeControllerNumberRequest(static_cast<std::uint8_t>(number));
    numberAnswered.store(false);
    const std::int32_t written =
        session_.Write(request.data(), static_cast<std::uint32_t>(request.size()), platform::kInfinite);
    if (written != static_cast<std::int32_t>(request.size())) {
        ShowAppMessage(QStringLiteral("Произошли ошибки при передаче данных хабу. Повторите "
                                      "попытку или вызовите специалиста..."));
        return;
    }
    if (debugMode_) {
        AppendToLog("\r\n>>" + HexBytes(request) + "\r\n");
    }
    AppendToLog(QStringLiteral("Передана команда установки номера контроллера терминала...\r\n"));
    // The watcher queues the result's log line and box to this thread, then sets the flag
    // and wakes this wait; the line and the box follow once this handler is over.
    {
        std::unique_lock lock(numberAnsweredMutex_);
        numberAnsweredChanged_.wait_for(lock, kResultWait,
                                        [this] { return numberAnswered.load(); });
    }
    if (!numberAnswered.load()) {
        ShowAppMessage(QStringLiteral("Ответ от хаба о результатах установки номера контроллера не "
                                      "получен.  Повторите попытку или вызовите специалиста..."));
    }
}
