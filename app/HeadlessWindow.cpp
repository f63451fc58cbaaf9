#include "app/HeadlessWindow.h"

#include <algorithm>

namespace mv::app {

namespace {

using K = TControlKind;

bool IsEdit(TControlKind kind)
{
    return kind == K::Edit || kind == K::ReadOnlyEdit || kind == K::PasswordEdit;
}

} // namespace

THeadlessWindow::THeadlessWindow()
{
    for (const TControlSpec& spec : MainControls()) {
        TControl control;
        control.Spec = &spec;
        control.Text = spec.Text ? spec.Text : "";
        control.Enabled = spec.Enabled;
        control.Checked = spec.Checked;
        controls_.emplace(spec.Name, std::move(control));
    }
}

THeadlessWindow::TControl& THeadlessWindow::Find(const std::string& name)
{
    auto it = controls_.find(name);
    if (it == controls_.end())
        throw EUnknownControl("no control named " + name);
    return it->second;
}

const THeadlessWindow::TControl& THeadlessWindow::Find(const std::string& name) const
{
    return const_cast<THeadlessWindow*>(this)->Find(name);
}

THeadlessWindow::TControl& THeadlessWindow::FindKind(const std::string& name,
                                                     std::initializer_list<TControlKind> kinds)
{
    TControl& control = Find(name);
    if (std::find(kinds.begin(), kinds.end(), control.Spec->Kind) == kinds.end())
        throw EUnknownControl("control " + name + " does not offer this operation");
    return control;
}

const THeadlessWindow::TControl&
THeadlessWindow::FindKind(const std::string& name, std::initializer_list<TControlKind> kinds) const
{
    return const_cast<THeadlessWindow*>(this)->FindKind(name, kinds);
}

void THeadlessWindow::ReportClick(const std::string& name)
{
    if (events_)
        events_->OnClick(name);
}

void THeadlessWindow::ReportChange(const std::string& name)
{
    if (events_)
        events_->OnChange(name);
}

// ---- Controls ----------------------------------------------------------------------------------

constexpr std::initializer_list<TControlKind> TextKinds = {
    K::Button,       K::Label,    K::GroupBox,    K::Edit, K::ReadOnlyEdit,
    K::PasswordEdit, K::CheckBox, K::RadioButton, K::Memo};

std::string THeadlessWindow::Text(const std::string& control) const
{
    return FindKind(control, TextKinds).Text;
}

void THeadlessWindow::SetText(const std::string& control, const std::string& text)
{
    TControl& c = FindKind(control, TextKinds);
    if (c.Text == text)
        return;
    c.Text = text;
    if (IsEdit(c.Spec->Kind))
        ReportChange(control);
}

std::string THeadlessWindow::Hint(const std::string& control) const
{
    return Find(control).Hint;
}

void THeadlessWindow::SetHint(const std::string& control, const std::string& hint)
{
    Find(control).Hint = hint;
}

bool THeadlessWindow::Enabled(const std::string& control) const
{
    return Find(control).Enabled;
}

void THeadlessWindow::SetEnabled(const std::string& control, bool enabled)
{
    Find(control).Enabled = enabled;
}

void THeadlessWindow::SetFocus(const std::string& control)
{
    Find(control);
    focused_ = control;
}

bool THeadlessWindow::Checked(const std::string& control) const
{
    return FindKind(control, {K::CheckBox, K::RadioButton}).Checked;
}

void THeadlessWindow::SetChecked(const std::string& control, bool checked)
{
    TControl& c = FindKind(control, {K::CheckBox, K::RadioButton});
    if (c.Checked == checked)
        return;
    if (c.Spec->Kind == K::RadioButton) {
        // The radio buttons form one group: checking one unchecks the others; only the one that
        // became checked reports its click.
        if (!checked) {
            c.Checked = false;
            return;
        }
        for (auto& [name, other] : controls_)
            if (other.Spec->Kind == K::RadioButton)
                other.Checked = false;
        c.Checked = true;
        ReportClick(control);
        return;
    }
    c.Checked = checked;
    ReportClick(control);
}

int THeadlessWindow::ItemIndex(const std::string& control) const
{
    return FindKind(control, {K::ComboBox, K::ListBox}).ItemIndex;
}

void THeadlessWindow::SetItemIndex(const std::string& control, int index)
{
    TControl& c = FindKind(control, {K::ComboBox, K::ListBox});
    // An index outside the items leaves no selection, as the toolkit lists do. Nothing reported.
    c.ItemIndex = index >= 0 && index < static_cast<int>(c.Items.size()) ? index : -1;
}

std::vector<std::string> THeadlessWindow::Items(const std::string& control) const
{
    return FindKind(control, {K::ComboBox, K::ListBox}).Items;
}

void THeadlessWindow::SetItems(const std::string& control, const std::vector<std::string>& items)
{
    TControl& c = FindKind(control, {K::ComboBox, K::ListBox});
    c.Items = items;
    c.ItemIndex = -1;
}

void THeadlessWindow::AddItem(const std::string& control, const std::string& item)
{
    FindKind(control, {K::ComboBox, K::ListBox}).Items.push_back(item);
}

int THeadlessWindow::Position(const std::string& control) const
{
    return FindKind(control, {K::ProgressBar}).Position;
}

void THeadlessWindow::SetPosition(const std::string& control, int position)
{
    FindKind(control, {K::ProgressBar}).Position = std::clamp(position, 0, 100);
}

void THeadlessWindow::Click(const std::string& control)
{
    TControl& c = Find(control);
    switch (c.Spec->Kind) {
    case K::CheckBox:
        SetChecked(control, !c.Checked);
        break;
    case K::RadioButton:
        SetChecked(control, true);
        break;
    default:
        ReportClick(control);
        break;
    }
}

void THeadlessWindow::SetPageIndex(int index)
{
    if (index < 0 || index >= PageCount || index == pageIndex_)
        return;
    pageIndex_ = index;
    if (events_)
        events_->OnShow(PageName(index));
}

// ---- The whole window --------------------------------------------------------------------------

void THeadlessWindow::Close()
{
    if (closed_)
        return;
    if (events_)
        events_->OnClose();
    closed_ = true;
}

void THeadlessWindow::ProcessMessages()
{
    ++rounds_;
    if (processHook_)
        processHook_(rounds_);
}

void THeadlessWindow::ShowMessage(TMessageKind kind, const std::string& text)
{
    messages_.push_back({kind, text});
}

TAnswer THeadlessWindow::Confirm(const std::string& text)
{
    confirmations_.push_back(text);
    if (confirmAnswers_.empty())
        return TAnswer::Yes;
    TAnswer answer = confirmAnswers_.front();
    confirmAnswers_.pop_front();
    return answer;
}

TTextExtent THeadlessWindow::DialogTextExtent(const std::string& text)
{
    return {cellWidth_ * static_cast<int>(text.size()), cellHeight_};
}

std::optional<std::string> THeadlessWindow::RunPasswordDialog(const TPasswordDialog& dialog)
{
    passwordDialogs_.push_back(dialog);
    if (passwordAnswers_.empty())
        return std::nullopt;
    std::optional<std::string> answer = std::move(passwordAnswers_.front());
    passwordAnswers_.pop_front();
    // The field refuses what is typed beyond its limit.
    if (answer && static_cast<int>(answer->size()) > dialog.Layout.MaxLength)
        answer->resize(static_cast<size_t>(dialog.Layout.MaxLength));
    return answer;
}

namespace {

std::optional<std::string> Next(std::deque<std::optional<std::string>>& queue)
{
    if (queue.empty())
        return std::nullopt;
    std::optional<std::string> answer = std::move(queue.front());
    queue.pop_front();
    return answer;
}

} // namespace

std::optional<std::string> THeadlessWindow::OpenFileDialog(const std::string& filter)
{
    chooserRequests_.push_back("open:" + filter);
    return Next(chooserAnswers_);
}

std::optional<std::string> THeadlessWindow::SaveFileDialog(const std::string& filter)
{
    chooserRequests_.push_back("save:" + filter);
    return Next(chooserAnswers_);
}

std::optional<std::string> THeadlessWindow::BrowseFolder(const std::string& prompt)
{
    chooserRequests_.push_back("folder:" + prompt);
    return Next(chooserAnswers_);
}

void THeadlessWindow::ShowWaitWindow(const std::string& caption, const std::string& fileName)
{
    waitShown_ = true;
    waitCaption_ = caption;
    waitFileName_ = fileName;
    waitHistory_.emplace_back(caption, fileName);
}

void THeadlessWindow::HideWaitWindow()
{
    waitShown_ = false;
}

// ---- What a user does --------------------------------------------------------------------------

bool THeadlessWindow::Reachable(const std::string& control) const
{
    const TControl& c = Find(control);
    if (closed_ || !windowEnabled_ || !windowVisible_ || !c.Enabled)
        return false;
    return c.Spec->Page == NoPage || c.Spec->Page == pageIndex_;
}

bool THeadlessWindow::UserClick(const std::string& control)
{
    if (!Reachable(control))
        return false;
    Click(control);
    return true;
}

bool THeadlessWindow::UserDoubleClick(const std::string& control)
{
    if (!Reachable(control))
        return false;
    if (events_)
        events_->OnDoubleClick(control);
    return true;
}

bool THeadlessWindow::UserType(const std::string& control, const std::string& text)
{
    const TControl& c = Find(control);
    if (c.Spec->Kind != K::Edit && c.Spec->Kind != K::PasswordEdit)
        return false; // read-only fields take no typing
    if (!Reachable(control))
        return false;
    SetText(control, text);
    return true;
}

bool THeadlessWindow::UserSelect(const std::string& control, int index)
{
    TControl& c = FindKind(control, {K::ComboBox, K::ListBox});
    if (!Reachable(control) || index < 0 || index >= static_cast<int>(c.Items.size()))
        return false;
    c.ItemIndex = index;
    ReportChange(control);
    return true;
}

} // namespace mv::app
