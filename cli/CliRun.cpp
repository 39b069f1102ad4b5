#include "cli/CliRun.h"

#include "cli/JobPlanner.h"
#include "cli/JsonReport.h"
#include "cli/TextReport.h"
#include "drive/PageStart.h"
#include "link/SerialPortDirectory.h"
#include "platform/Profile.h"

#ifndef ZEMBRA_VERSION_TEXT
#define ZEMBRA_VERSION_TEXT "unknown"
#endif

namespace zembra::cli {
namespace {

constexpr int kDefaultComNumber = 1;

}  // namespace

CliRun::CliRun(CliOptions options, CliStreams streams)
    : m_options(std::move(options)),
      m_io(streams),
      m_progress(m_io.err, m_io.progress && !m_options.quiet, m_io.columns),
      m_prompter(m_io.err, [this] { m_progress.Clear(); }) {
  InstallPrompter(&m_prompter);
}

CliRun::~CliRun() {
  m_jobs.clear();
  for (auto& drive : m_drives) drive->Stop();
  InstallPrompter(nullptr);
}

void CliRun::Start() {
  if (m_options.showHelp) {
    m_io.out << CliOptions::HelpText().toStdString();
    return Finish(ExitStatus::Success);
  }
  if (m_options.showVersion) {
    m_io.out << "zembra-cli " << ZEMBRA_VERSION_TEXT << '\n';
    return Finish(ExitStatus::Success);
  }
  if (!m_options.error.isEmpty()) return Refuse(ExitStatus::Usage, m_options.error);

  const std::optional<QStringList> devices = Devices();
  if (!devices) return;
  const Profile profile;
  const PlanResult plan = JobPlanner::Plan(m_options, *devices, profile.GetInt(QStringLiteral("ComBand"), 9600),
                                           drive::PageStart::FromProfile(profile));
  if (!plan.error.isEmpty()) return Refuse(ExitStatus::Usage, plan.error);

  m_starting = true;
  for (const PortPlan& p : plan.plans)
    m_jobs.push_back(std::make_unique<PortJob>(p, [this] { OnProgress(); }, [this] { OnJobFinished(); }));
  for (auto& job : m_jobs) job->Start();
  m_starting = false;
  OnJobFinished();
}

std::optional<QStringList> CliRun::Devices() {
  if (!m_options.ports.isEmpty()) return m_options.ports;
  if (m_options.simulate > 0) {
    QStringList devices;
    for (int i = 0; i < m_options.simulate; ++i) {
      auto drive = std::make_unique<sim::VirtualDrive>();
      std::string error;
      if (!drive->Start(&error)) {
        Refuse(ExitStatus::NoDrive, QStringLiteral("无法启动虚拟驱动器：%1").arg(QString::fromStdString(error)));
        return std::nullopt;
      }
      // Each virtual drive answers as its own node, so their backups differ.
      drive->WithModel([i](sim::DriveModel& m) { m.SetParameter(sim::DriveParameter::NodeAddress, i + 1); });
      devices << QString::fromStdString(drive->SlavePath());
      m_drives.push_back(std::move(drive));
    }
    return devices;
  }
  const int com = Profile().GetInt(QStringLiteral("ComNum"), kDefaultComNumber);
  const QString device = SerialPortDirectory::DevicePathForCom(com);
  if (device.isEmpty()) {
    Refuse(ExitStatus::Usage, QStringLiteral("保存的COM口（COM%1）没有对应的设备；请用 --port 路径 指定端口").arg(com));
    return std::nullopt;
  }
  return QStringList{device};
}

void CliRun::Interrupt() {
  if (m_finished || m_interrupted) return;
  m_interrupted = true;
  m_progress.Clear();
  m_io.err << "zembra-cli: 已中断，当前命令完成后停止" << std::endl;
  for (auto& job : m_jobs) job->Interrupt();
}

void CliRun::OnProgress() {
  std::vector<QString> texts;
  for (const auto& job : m_jobs) texts.push_back(job->Progress());
  m_progress.Update(texts);
}

void CliRun::OnJobFinished() {
  if (m_starting || m_finished) return;
  for (const auto& job : m_jobs)
    if (!job->Finished()) return;
  ExitStatus worst = ExitStatus::Success;
  for (const auto& job : m_jobs) worst = Worse(worst, job->Report().status);
  Finish(worst);
}

void CliRun::Refuse(ExitStatus status, const QString& error) {
  m_io.err << "zembra-cli: " << error.toStdString() << '\n';
  if (m_options.json) JsonReport::Write(JsonReport::Refusal(m_options.command, status, error), m_io.out);
  Finish(status);
}

void CliRun::Finish(ExitStatus status) {
  m_progress.Clear();
  if (!m_jobs.empty()) {
    std::vector<PortReport> reports;
    for (const auto& job : m_jobs) reports.push_back(job->Report());
    if (m_options.json) {
      JsonReport::Write(JsonReport::Document(m_options.command, reports, status), m_io.out);
    } else {
      TextReport::Write(m_options.command, reports, m_io.out, m_io.err);
    }
  }
  m_io.out.flush();
  m_io.err.flush();
  m_status = status;
  m_finished = true;
  if (std::function<void()> done = std::move(m_onFinished)) done();
}

}  // namespace zembra::cli
