#include "EngineProtocol.h"

#include <QIODevice>

#include <algorithm>
#include <climits>

namespace vorlik {

namespace {

const char kEngineGoneText[] = "エンジンが終了しました。";

}  // namespace

std::optional<long long> ReadEngineNumber(const std::string& word)
{
    std::size_t at = 0;
    const bool negative = !word.empty() && word[0] == '-';
    if (!word.empty() && (word[0] == '-' || word[0] == '+'))
        at = 1;
    if (at >= word.size())
        return std::nullopt;
    long long value = 0;
    for (; at < word.size(); ++at) {
        const char c = word[at];
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value > (LLONG_MAX - (c - '0')) / 10 ? LLONG_MAX : value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

EngineScore WhiteScore(EngineScore score, bool whiteToMove)
{
    if (score.kind == EngineScore::Kind::Centipawns)
        score.value = std::clamp(score.value, -kMaxScoreCp, kMaxScoreCp);
    if (score.kind == EngineScore::Kind::Mate && score.value == 0)
        score.matedWhite = whiteToMove;  // the side to move is mated
    if (!whiteToMove)
        score.value = -score.value;
    return score;
}

EngineProtocol::EngineProtocol(QObject* parent) : ChessPlayer(parent)
{
    qRegisterMetaType<AnalysisReport>();
}

void EngineProtocol::setDevice(QIODevice* device)
{
    if (device_)
        device_->disconnect(this);
    device_ = device;
    reader_.Clear();
    if (!device)
        return;
    connect(device, &QIODevice::readyRead, this, &EngineProtocol::readArrived);
    connect(device, &QIODevice::aboutToClose, this, &EngineProtocol::engineGone);
}

void EngineProtocol::write(const std::string& line)
{
    // Engines on Linux read LF lines.
    if (gone_ || !device_ || !device_->isWritable())
        return;
    device_->write(QByteArray::fromStdString(line + "\n"));
    emit sent(QString::fromStdString(line));
}

void EngineProtocol::readArrived()
{
    if (!device_)
        return;
    const QByteArray bytes = device_->readAll();
    for (const std::string& line : reader_.Feed(std::string_view(bytes.constData(), std::size_t(bytes.size())))) {
        if (gone_)
            return;
        emit received(QString::fromStdString(line));
        parseLine(line);
    }
}

void EngineProtocol::engineGone()
{
    if (gone_)
        return;
    readArrived();  // its last words first, a last line without its end too
    const std::string rest = reader_.Flush();
    if (!rest.empty()) {
        emit received(QString::fromStdString(rest));
        parseLine(rest);
    }
    gone_ = true;
    enterGone();
    emit gone(QString::fromUtf8(kEngineGoneText));
}

}  // namespace vorlik
