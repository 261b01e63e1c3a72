// The power-on step and the window's steps driven tick by tick, without a window, against a
// simulated modem: the ticks are called here, never waited for.
#include "atlink/Timing.h"
#include "procedures/RunSteps.h"
#include "tests/procedures/ProcedureTestKit.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <functional>

namespace {

const QString Step1 = QStringLiteral("Ожидаю выбор типа модема на шаге №1...");
const QString Writing = QStringLiteral("Запись данных в модем...");

// The power-on step's host, recorded.
class PowerOnFake : public PowerOnHost
{
public:
    explicit PowerOnFake(TmyComm &Channel) : channel(Channel) {}

    QStringList lines;
    int gaugeMaximum = 0;
    int gaugePosition = 0;
    int powerWaits = 0;
    QStringList diagnoses;

    void LogLine(const QString &Text) override
    {
        lines.append(Text);
        QCoreApplication::processEvents();
    }
    void SetStatus(const QString &Text) override { LogLine(Text); }
    void SetGaugeMaximum(int Maximum) override { gaugeMaximum = Maximum; }
    void SetGaugePosition(int Position) override { gaugePosition = Position; }
    int GaugePosition() const override { return gaugePosition; }
    QStringList ListFolder(const QString &) override { return {}; }
    QString SelectedDirPath() const override { return {}; }
    bool QuitRequested() const override { return false; }
    void ShowErrorBox(const QString &) override {}
    TmyComm &Channel() override { return channel; }
    void ProbeFinished() override {}
    void WritingStarted() override {}
    void PowerWaitStarted() override { ++powerWaits; }
    void PortOpenFailed(const QString &Diagnosis) override { diagnoses.append(Diagnosis); }

private:
    TmyComm &channel;
};

struct PowerOnBench
{
    explicit PowerOnBench(modemsim::Faults Faults = {})
        : modem([&] {
              modemsim::Options options;
              options.faults = Faults;
              return options;
          }()),
          host(channel)
    {
        channel.Comm->SetCommPort(modem.devicePath());
    }
    ~PowerOnBench() { channel.Comm->ClosePort(); }

    modemsim::ModemSimulator modem;
    TmyComm channel;
    PowerOnFake host;
    PowerOnStep step{host};
};

TEST(PowerOnStep, OnlyAnAnswerAfterTheOpenStartsTheRun)
{
    PowerOnBench bench;
    bench.channel.Reply = "OK"; // left over from an earlier run
    EXPECT_EQ(bench.step.portTick(), PowerOnStep::State::Over) << "ticks before start count";

    bench.step.start();
    EXPECT_EQ(bench.step.portTick(), PowerOnStep::State::Probing);
    EXPECT_TRUE(bench.channel.Comm->PortOpen());
    EXPECT_EQ(bench.host.powerWaits, 1);
    EXPECT_EQ(bench.host.gaugeMaximum, PowerOnStep::PowerOnSeconds);
    EXPECT_EQ(bench.host.lines,
              (QStringList{QStringLiteral("Модем подключен. Порт: ") + bench.modem.devicePath(),
                           QStringLiteral("Ожидаю отклик от модема...")}));
    EXPECT_TRUE(bench.channel.Reply.isEmpty()) << "the stale answer would start the run";

    EXPECT_EQ(bench.step.portTick(), PowerOnStep::State::Probing); // sends the first probe
    ASSERT_TRUE(waitUntil([&] { return ProbeAnswered(bench.channel); }));
    EXPECT_EQ(bench.step.portTick(), PowerOnStep::State::Answered);
    EXPECT_EQ(bench.step.portTick(), PowerOnStep::State::Over);
    EXPECT_EQ(bench.step.powerTick(), PowerOnStep::State::Over);
    EXPECT_EQ(bench.modem.commands(), std::vector<QByteArray>{"ATE0"});
}

TEST(PowerOnStep, WaitEndsAtTheTickAfterItsLastSecond)
{
    modemsim::Faults silent;
    silent.neverAnswerProbe = true;
    PowerOnBench bench(silent);
    bench.step.start();
    EXPECT_EQ(bench.step.powerTick(), PowerOnStep::State::Opening) << "counted before the open";
    EXPECT_EQ(bench.host.gaugePosition, 0);
    ASSERT_EQ(bench.step.portTick(), PowerOnStep::State::Probing);
    bench.host.lines.clear();
    for (int second = 1; second <= PowerOnStep::PowerOnSeconds; ++second) {
        ASSERT_EQ(bench.step.powerTick(), PowerOnStep::State::Probing) << second;
        EXPECT_EQ(bench.host.gaugePosition, second);
    }
    EXPECT_TRUE(bench.channel.Comm->PortOpen());
    EXPECT_EQ(bench.step.powerTick(), PowerOnStep::State::TimedOut);
    EXPECT_FALSE(bench.channel.Comm->PortOpen());
    EXPECT_EQ(bench.host.gaugePosition, 0);
    EXPECT_EQ(bench.host.lines, QStringList{PowerOnTimedOutText()});
    EXPECT_EQ(bench.step.powerTick(), PowerOnStep::State::Over);
    EXPECT_EQ(bench.step.portTick(), PowerOnStep::State::Over) << "the port reopened";
    EXPECT_FALSE(bench.channel.Comm->PortOpen());
}

TEST(PowerOnStep, PortThatWillNotOpenIsTriedAgainAndSaysWhy)
{
    PowerOnBench bench;
    QTemporaryDir empty;
    const QString missing = empty.filePath(QStringLiteral("ttyMissing"));
    bench.channel.Comm->SetCommPort(missing);
    bench.step.start();
    for (int tick = 0; tick < 2; ++tick)
        EXPECT_EQ(bench.step.portTick(), PowerOnStep::State::Opening);
    ASSERT_EQ(bench.host.diagnoses.size(), 2);
    EXPECT_TRUE(bench.host.diagnoses.front().contains(missing))
        << bench.host.diagnoses.front().toStdString();
    EXPECT_EQ(bench.host.powerWaits, 0);
    EXPECT_TRUE(bench.host.lines.isEmpty());
}

// The window's side of the steps, recorded; the port dialog is answered by a function.
class FakeView : public StepsView
{
public:
    QStringList lines;
    QStringList statuses;
    QStringList boxes;
    int gauge = 0;
    bool portTicks = false;
    bool powerTicks = false;
    int closeLater = 0;
    TDirObject selected;
    std::function<std::optional<QString>()> answerDialog;
    std::function<void(const QString &)> onLine;

    void LogLine(const QString &Text) override
    {
        lines.append(Text);
        if (onLine)
            onLine(Text);
        QCoreApplication::processEvents();
    }
    bool LogIsEmpty() const override { return lines.isEmpty(); }
    void SetStatus(const QString &Text) override
    {
        statuses.append(Text);
        LogLine(Text);
    }
    void SetGaugeMaximum(int) override {}
    void SetGaugePosition(int Position) override { gauge = Position; }
    int GaugePosition() const override { return gauge; }
    void ShowTransfer(const TransferProgress &) override {}
    void TransferEnded() override {}
    void ShowBox(Box, const QString &Text) override { boxes.append(Text); }
    void ShowFailureBox(const QString &Text, const QString &Reason) override
    {
        boxes.append(Text);
        reasons.append(Reason);
    }
    void SetPortHint(const QString &) override {}
    void ShowPortProblem(const QString &Diagnosis) override { portProblems.append(Diagnosis); }
    void RunPortTicks(bool Run) override { portTicks = Run; }
    void RunPowerTicks(bool Run) override { powerTicks = Run; }
    std::optional<QString> AskPortSettings() override { return answerDialog(); }
    TDirObject SelectedType() const override { return selected; }
    void ShowSteps() override {}
    void FocusModemList() override {}
    void CloseLater() override { ++closeLater; }
    void FileSent(const SentFile &) override {}
    void RunStarted(const TDirObject &) override { ++runs; }
    void RunFinished(const RunOutcome &) override { ++runsFinished; }
    int runs = 0;
    int runsFinished = 0;
    QStringList reasons;
    QStringList portProblems;
};

// A script modem's type folder, a modem on the line, and the steps over a channel to it.
class StepsBench
{
public:
    explicit StepsBench(modemsim::Faults Faults = {})
        : modem([&] {
              modemsim::Options options;
              options.faults = Faults;
              return options;
          }()),
          steps(view, channel)
    {
        QDir(folder.path()).mkpath(QStringLiteral("compiled"));
        write(QStringLiteral("compiled/main.pyo"), "print(1)\r\n");
        write(QStringLiteral("upload.ini"), "baudrate=9600\r\n");
        view.selected = {QStringLiteral("Velmora"), QStringLiteral("velmora"), folder.path()};
        view.answerDialog = [this]() -> std::optional<QString> {
            channel.Comm->SetCommPort(modem.devicePath());
            return QString();
        };
        steps.start();
    }
    ~StepsBench() { channel.Comm->ClosePort(); }

    void write(const QString &Path, const QByteArray &Bytes)
    {
        QFile file(folder.filePath(Path));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(Bytes);
    }

    QTemporaryDir folder;
    modemsim::ModemSimulator modem;
    TmyComm channel;
    FakeView view;
    RunSteps steps;
};

TEST(RunSteps, ListIsDisabledFromTheOpenPortToTheEndOfTheRunAndACloseWaitsForIt)
{
    const Timing::ScopedSpeedUp fast(RunSpeedUp);
    StepsBench bench;
    RunSteps &steps = bench.steps;
    EXPECT_EQ(bench.view.lines, QStringList{Step1});
    EXPECT_TRUE(steps.modemListEnabled());

    steps.modemChosen(bench.view.selected);
    EXPECT_TRUE(steps.portStepActive());
    EXPECT_FALSE(steps.powerStepActive());
    EXPECT_TRUE(bench.view.portTicks);
    EXPECT_TRUE(steps.modemListEnabled()) << "step 2 lets the user choose again";

    steps.portTick(); // opens the port
    EXPECT_TRUE(steps.powerStepActive());
    EXPECT_TRUE(bench.view.powerTicks);
    EXPECT_FALSE(steps.modemListEnabled()) << "during the power-on wait";

    // In the middle of the run a close only asks to quit.
    bool listDuringRun = true;
    bool closedDuringRun = true;
    bench.view.onLine = [&](const QString &Line) {
        if (Line != Writing)
            return;
        listDuringRun = steps.modemListEnabled();
        closedDuringRun = steps.closeRequested();
    };
    steps.portTick(); // the first probe
    ASSERT_TRUE(waitUntil([&] { return ProbeAnswered(bench.channel); }));
    steps.portTick(); // finds the answer and runs

    EXPECT_FALSE(listDuringRun);
    EXPECT_FALSE(closedDuringRun);
    EXPECT_TRUE(steps.QuitRequested());
    EXPECT_TRUE(bench.view.boxes.isEmpty()) << "an outcome box would hold the closing window";
    EXPECT_EQ(bench.view.closeLater, 1);
    EXPECT_TRUE(bench.view.lines.contains(RunFailedText()));
    EXPECT_EQ(bench.view.lines.back(), Step1);
    EXPECT_TRUE(steps.modemListEnabled());
    EXPECT_FALSE(steps.modemAnswered());
    EXPECT_FALSE(bench.view.portTicks || bench.view.powerTicks);
    EXPECT_FALSE(bench.channel.Comm->PortOpen());
    EXPECT_TRUE(steps.closeRequested()) << "after the run the window may close";
}

TEST(RunSteps, PowerOnTimeOutAsksForThePortAgainAndACancelGoesBackToStepOne)
{
    modemsim::Faults silent;
    silent.neverAnswerProbe = true;
    StepsBench bench(silent);
    RunSteps &steps = bench.steps;
    steps.modemChosen(bench.view.selected);
    steps.portTick();
    ASSERT_TRUE(bench.view.powerTicks);
    int dialogs = 0;
    bench.view.answerDialog = [&]() -> std::optional<QString> {
        ++dialogs;
        EXPECT_FALSE(bench.channel.Comm->PortOpen()) << "the dialog edits an open port";
        EXPECT_FALSE(bench.view.portTicks) << "a port tick would reopen it under the dialog";
        return std::nullopt;
    };
    for (int second = 0; second <= PowerOnStep::PowerOnSeconds; ++second)
        steps.powerTick();
    EXPECT_EQ(dialogs, 1);
    EXPECT_TRUE(bench.view.lines.contains(PowerOnTimedOutText()));
    EXPECT_EQ(bench.view.lines.back(), Step1);
    EXPECT_FALSE(steps.portStepActive());
    EXPECT_FALSE(steps.powerStepActive());
    EXPECT_TRUE(steps.modemListEnabled());
    EXPECT_FALSE(bench.view.portTicks || bench.view.powerTicks);
}

} // namespace
