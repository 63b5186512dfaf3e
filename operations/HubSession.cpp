#include "operations/HubSession.h"

#include "hubsession/ControllerNumber.h"
#include "hubsession/HubParameterRules.h"
#include "platform/SocketApi.h"
#include "probe/Ping.h"

#include <utility>

namespace {

using namespace session_waits;

// The echo probe before every session.
constexpr std::uint8_t kProbeTtl = 10;
constexpr std::uint16_t kProbeSize = 32;

bool WriteWhole(CClientSocketManager& connection, const HubRequest& request) {
    return connection.Write(request.data(), static_cast<std::uint32_t>(request.size()),
                            kWriteLimitMs) == static_cast<std::int32_t>(request.size());
}

} // namespace

const char* const HubSession::kNumberSendFailedText =
    "Произошли ошибки при передаче данных хабу. Повторите попытку или вызовите специалиста...";
const char* const HubSession::kNoNumberAnswerText =
    "Ответ от хаба о результатах установки номера контроллера не получен.  Повторите "
    "попытку или вызовите специалиста...";

const char* const HubSession::kDisconnectedText = "Подключение к хабу разорвано\r\n";
const char* const HubSession::kParametersSentText =
    "Установка IP параметров хаба произведена. Подключение необходимо разорвать...\r\n";
const char* const HubSession::kNumberSentText =
    "Передана команда установки номера контроллера терминала...\r\n";

std::string HubSession::ConnectFailedText(const std::string& hubAddress) {
    return "Ошибка подключения к хабу " + hubAddress + " \r\n";
}

std::string HubSession::ConnectedText(const std::string& hubAddress) {
    return "Подключение к хабу " + hubAddress + " успешно произведено\r\n";
}

HubSession::HubSession(Scheduler& scheduler, const HubServices& services, bool debugMode)
    : scheduler_(scheduler), services_([&] {
          HubServices filled = services;
          filled.FillSystemDefaults();
          return filled;
      }()),
      life_(std::make_shared<HubSession*>(this)),
      connection_(std::make_shared<CClientSocketManager>(debugMode)),
      queue_(WatcherQueue::Make(scheduler, *connection_)) {
    queue_->SetHandler([this](watcher::Report&& report) { OnReport(std::move(report)); });
    connection_->SetLogWindow(queue_.get());
    connection_->SetConsole(queue_.get());
}

HubSession::~HubSession() {
    life_.reset();
    for (const auto timer : {pauseTimer_, numberTimer_, open_ ? open_->timer : 0}) {
        if (timer != 0)
            scheduler_.CancelTimer(timer);
    }
    // The socket and the watcher go first; nothing the watcher reports reaches anyone.
    connection_->SetConsole(nullptr);
    connection_->SetLogWindow(nullptr);
    connection_->Close();
    queue_->SetHandler({});
}

std::function<void()> HubSession::WhileAlive(std::function<void(HubSession&)> task) {
    return [life = std::weak_ptr<HubSession*>(life_), task = std::move(task)] {
        if (const auto alive = life.lock())
            task(**alive);
    };
}

void HubSession::SetReportHandler(std::function<void(watcher::Report&&)> handler) {
    handler_ = std::move(handler);
}

void HubSession::DrainReports() { queue_->Drain(); }
void HubSession::HoldReports() { queue_->Hold(); }
void HubSession::ReleaseReports() { queue_->Release(); }

bool HubSession::IsOpen() const { return connection_->IsSocketOpen(); }

std::optional<HubParameters> HubSession::Parameters() const {
    if (!address_ || !mask_ || !gateway_)
        return std::nullopt;
    return HubParameters{*address_, *mask_, *gateway_};
}

void HubSession::Connect(const std::string& hubAddress, const std::string& localAddress,
                         std::function<void(const ConnectOutcome&)> done) {
    hubAddress_ = hubAddress;
    physicalAddress_.clear();
    statusReceived_ = false;
    linkFlags_ = {};
    address_ = mask_ = gateway_ = std::nullopt;
    auto outcome = std::make_shared<ConnectOutcome>();
    scheduler_.RunOffThread(
        [outcome, connection = connection_, providers = services_.echoProviders,
         service = services_.hubService, hubAddress, localAddress] {
            CPing ping(providers());
            EchoReplyInfo reply;
            if (ping.SendEchoRequest(hubAddress, reply, kProbeTtl, kEchoTimeoutMs, kProbeSize, 0,
                                     false)) {
                outcome->opened = connection->OpenConnection(localAddress, hubAddress, service,
                                                             platform::kAddressFamilyInet,
                                                             platform::kSocketStream);
            } else if (!ping.HasEchoService()) {
                outcome->missingService = ping.MissingServiceDiagnosis();
            }
        },
        WhileAlive([outcome, done = std::move(done)](HubSession&) { done(*outcome); }));
}

bool HubSession::StartWatching() {
    if (connection_->StartWatcher())
        return true;
    // A connection nobody reads would look alive and tell nothing: close it.
    connection_->Close();
    return false;
}

void HubSession::LookUpPhysicalAddress(std::function<void(const std::string& logText)> done) {
    auto physical = std::make_shared<std::string>();
    auto logText = std::make_shared<std::string>();
    scheduler_.RunOffThread(
        [connection = connection_, lookUp = services_.lookUpPhysicalAddress, physical, logText] {
            *logText = lookUp(*connection, *physical);
        },
        WhileAlive([physical, logText, done = std::move(done)](HubSession& session) {
            session.physicalAddress_ = *physical;
            done(*logText);
        }));
}

bool HubSession::RequestParameters() { return WriteWhole(*connection_, MakeIpParametersRequest()); }

void HubSession::Open(const std::string& hubAddress, const std::string& localAddress,
                      bool needParameters, std::function<void(const OpenOutcome&)> done) {
    open_ = PendingOpen{needParameters, 0, std::move(done)};
    Connect(hubAddress, localAddress, [this, hubAddress](const ConnectOutcome& connected) {
        if (!open_) { // closed meanwhile
            connection_->Close();
            return;
        }
        if (!connected.opened) {
            if (!connected.missingService.empty())
                FinishOpen(OpenFailure::NoEchoService, connected.missingService);
            else
                FinishOpen(OpenFailure::Unreachable, ConnectFailedText(hubAddress));
            return;
        }
        if (!StartWatching()) {
            FinishOpen(OpenFailure::NotWatching, {});
            return;
        }
        // The steps' lines reach the client as the window logs them, among the hub's own.
        ToClient(watcher::LogLines{ConnectedText(hubAddress)});
        LookUpPhysicalAddress([this](const std::string& logText) {
            if (!open_)
                return;
            ToClient(watcher::LogLines{logText});
            RequestParameters();
            open_->timer = scheduler_.StartTimer(kFirstStatusWait, WhileAlive([](HubSession& session) {
                if (session.open_) {
                    session.open_->timer = 0;
                    session.FinishOpen(OpenFailure::NoStatus, {}); // and closes
                }
            }));
            CheckOpened();
        });
    });
}

void HubSession::ToClient(watcher::Report&& report) {
    if (handler_)
        handler_(std::move(report));
}

void HubSession::CheckOpened() {
    if (open_ && open_->timer != 0 && statusReceived_ &&
        (!open_->needParameters || Parameters()))
        FinishOpen(OpenFailure::None, {});
}

void HubSession::FinishOpen(OpenFailure failure, std::string text) {
    if (!open_)
        return;
    PendingOpen pending = std::move(*open_);
    open_.reset();
    if (pending.timer != 0)
        scheduler_.CancelTimer(pending.timer);
    if (failure != OpenFailure::None)
        connection_->Close();
    pending.done(OpenOutcome{failure, std::move(text)});
}

void HubSession::OnReport(watcher::Report&& report) {
    if (const auto* status = std::get_if<watcher::LinkStatus>(&report)) {
        statusReceived_ = true;
        linkFlags_ = status->onLink;
    } else if (const auto* parameter = std::get_if<watcher::HubParameter>(&report)) {
        const Ipv4 value(parameter->value);
        switch (parameter->which) {
        case watcher::Parameter::Address: address_ = value; break;
        case watcher::Parameter::SubnetMask: mask_ = value; break;
        case watcher::Parameter::Gateway: gateway_ = value; break;
        }
    } else if (const auto* number = std::get_if<watcher::NumberResult>(&report)) {
        numberAnswered_ = true;
        if (numberDone_) {
            const bool set = number->result.number == numberAsked_ && number->result.resultCode == 0;
            FinishNumberWait({set ? NumberOutcome::Kind::Set : NumberOutcome::Kind::NotSet,
                              ControllerNumberResultText(number->result, numberAsked_), {}});
        }
    } else if (std::holds_alternative<watcher::Connection>(report) && open_) {
        // The hub went before it had said what an open waits for.
        if (handler_)
            handler_(std::move(report));
        FinishOpen(OpenFailure::Dropped, {});
        return;
    }
    if (handler_)
        handler_(std::move(report));
    CheckOpened();
}

HubSession::ParametersOutcome HubSession::WriteParameters(const ParametersRequest& request,
                                                          std::function<void()> afterPause) {
    using Kind = ParametersOutcome::Kind;
    if (const auto failure = CheckHubParameterValues(request.wanted, request.adapterAddress))
        return {Kind::Refused, *failure, {}};
    if (!request.gatewayOutsideConfirmed && GatewayOutsideSubnet(request.wanted))
        return {Kind::Refused, kGatewayOutsideSubnetQuestion, {}};
    const HubRequest bytes = MakeSetIpParametersRequest(
        request.wanted.address.Octets(), request.wanted.mask.Octets(), request.wanted.gateway.Octets());
    if (!WriteWhole(*connection_, bytes))
        return {Kind::SendFailed, kNumberSendFailedText, {}};
    pauseTimer_ = scheduler_.StartTimer(
        kApplyPause, WhileAlive([afterPause = std::move(afterPause)](HubSession& session) {
            session.pauseTimer_ = 0;
            afterPause();
        }));
    return {Kind::Sent, {}, HexBytes(bytes)};
}

std::optional<HubSession::NumberOutcome>
HubSession::WriteNumber(const NumberRequest& request, std::function<void(const NumberOutcome&)> done) {
    using Kind = NumberOutcome::Kind;
    if (const auto problem = CheckControllerNumber(request.number, linkFlags_))
        return NumberOutcome{Kind::Refused, *problem, {}};
    if (!FirmwareSupportsControllerNumbers(request.modelText) && !request.oldFirmwareConfirmed)
        return NumberOutcome{Kind::OldFirmware, request.modelText, {}};
    if (!request.jumperConfirmed)
        return NumberOutcome{Kind::NotConfirmed, {}, {}};
    // A wait still running ends unanswered here: a result from now on answers this request,
    // and its five seconds are its own.
    if (numberDone_)
        FinishNumberWait({Kind::NoAnswer, kNoNumberAnswerText, {}});
    const HubRequest bytes = MakeControllerNumberRequest(static_cast<std::uint8_t>(request.number));
    numberAnswered_ = false;
    if (!WriteWhole(*connection_, bytes))
        return NumberOutcome{Kind::SendFailed, kNumberSendFailedText, {}};
    lastNumberDump_ = HexBytes(bytes);
    numberAsked_ = request.number;
    numberDone_ = std::move(done);
    numberTimer_ = scheduler_.StartTimer(kNumberWait, WhileAlive([](HubSession& session) {
        session.numberTimer_ = 0;
        session.FinishNumberWait({Kind::NoAnswer, kNoNumberAnswerText, {}});
    }));
    return std::nullopt;
}

void HubSession::FinishNumberWait(const NumberOutcome& outcome) {
    if (numberTimer_ != 0)
        scheduler_.CancelTimer(std::exchange(numberTimer_, 0));
    if (const auto done = std::exchange(numberDone_, nullptr))
        done(outcome);
}

void HubSession::Close() {
    if (pauseTimer_ != 0)
        scheduler_.CancelTimer(std::exchange(pauseTimer_, 0));
    connection_->Close();
    // Whoever waits is told: an open fails, a number wait has no answer.
    FinishOpen(OpenFailure::Dropped, {});
    if (numberDone_)
        FinishNumberWait({NumberOutcome::Kind::NoAnswer, kNoNumberAnswerText, {}});
}
