#include "WindowKifuHost.h"

#include "DialogMnuFile.h"
#include "WindowServices.h"

#include <QAction>

namespace vorlik {

WindowKifuHost::WindowKifuHost(GameSession& session, WindowServices& services, QWidget* parent,
                               QAction* longFormOption, const QStringList& headerCaptions)
    : session_(session), services_(services), parent_(parent), longFormOption_(longFormOption),
      captions_(headerCaptions.isEmpty() ? DialogMnuFile::DefaultCaptions() : headerCaptions)
{
}

void WindowKifuHost::ShowMessage(const std::string& text, const std::string& title, Icon icon)
{
    ShowHostMessage(services_, parent_, text, title, icon);
}

bool WindowKifuHost::Ask(const std::string& question, const std::string& title)
{
    return services_.ShowMessage(MessageParent(parent_), QString::fromStdString(question), QString::fromStdString(title),
                                 MessageIcon::Warning, MessageButtons::YesNo) == MessageAnswer::Yes;
}

void WindowKifuHost::SetBusy(bool busy) { services_.SetBusy(busy); }

void WindowKifuHost::ShowKifuDialog(KifuFile& file, const std::string& fileName)
{
    DialogMnuFile dialog(*this, file, services_, QString::fromStdString(fileName), captions_, parent_);
    dialog.exec();
}

void WindowKifuHost::Beep() { services_.Beep(); }

bool WindowKifuHost::LongFormSave() { return longFormOption_ && longFormOption_->isChecked(); }

}  // namespace vorlik
