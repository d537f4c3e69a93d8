#include "EngineTraffic.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTimer>

namespace vorlik {

namespace {

const char kTrafficHeading[] = "エンジンとの送受信";

}  // namespace

EngineTraffic::EngineTraffic(QWidget* window) : QObject(window)
{
    direct_ = new QLineEdit(window);
    direct_->setObjectName(QStringLiteral("TextInfo(14)"));
    TextEngMas_ = new QPlainTextEdit;
    TextEngMas_->setObjectName(QStringLiteral("TextEngMas"));
    TextEngMas_->setReadOnly(true);
    TextEngMas_->setMaximumHeight(52);
    trafficTimer_ = new QTimer(this);
    trafficTimer_->setSingleShot(true);
    trafficTimer_->setInterval(kRefreshMs);
    connect(trafficTimer_, &QTimer::timeout, this, [this] {
        if (trafficDirty_) {
            FlushTraffic();
            trafficTimer_->start();
        }
    });
}

void EngineTraffic::ShowEngineOutput(const std::string& lines)
{
    for (const QString& line : QString::fromStdString(lines).split(QLatin1Char('\n')))
        traffic_.push_back(line);
    while (traffic_.size() > static_cast<std::size_t>(kLines))
        traffic_.pop_front();
    trafficDirty_ = true;
    if (!trafficTimer_->isActive()) {
        FlushTraffic();  // a single reply shows at once; a flood is shown in steps
        trafficTimer_->start();
    }
}

void EngineTraffic::Clear()
{
    direct_->clear();
    traffic_.clear();
    FlushTraffic();
}

void EngineTraffic::FlushTraffic()
{
    QString text = QString::fromUtf8(kTrafficHeading);
    for (const QString& line : traffic_)
        text += QLatin1Char('\n') + line;
    TextEngMas_->setPlainText(text);
    TextEngMas_->verticalScrollBar()->setValue(TextEngMas_->verticalScrollBar()->maximum());
    trafficDirty_ = false;
}

}  // namespace vorlik
