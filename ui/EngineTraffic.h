// The box of the engine traffic under the move list, and the line that sends
// the engine a command directly. The box keeps the newest lines only and is
// written at most every kRefreshMs, so an engine that floods keeps the
// window live.
#pragma once

#include <QObject>
#include <QString>

#include <deque>
#include <string>

class QLineEdit;
class QPlainTextEdit;
class QTimer;
class QWidget;

namespace vorlik {

class EngineTraffic : public QObject {
    Q_OBJECT
public:
    static constexpr int kLines = 2000;     // lines the box keeps
    static constexpr int kRefreshMs = 100;

    explicit EngineTraffic(QWidget* window);

    QPlainTextEdit* TextEngMas() const { return TextEngMas_; }
    // The command to send directly ("直接送信").
    QLineEdit* Direct() const { return direct_; }

    // Lines of the engine's output, or of what was sent to it.
    void ShowEngineOutput(const std::string& lines);
    // A new record: the box holds only its heading, the command line is empty.
    void Clear();

private:
    // Rewriting the whole box is cheaper than letting it drop old lines one
    // by one, which lays out every line it drops.
    void FlushTraffic();

    QPlainTextEdit* TextEngMas_ = nullptr;
    QLineEdit* direct_ = nullptr;
    std::deque<QString> traffic_;  // the newest lines of the engine traffic
    QTimer* trafficTimer_ = nullptr;
    bool trafficDirty_ = false;
};

}  // namespace vorlik
