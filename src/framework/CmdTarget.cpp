// Map lookup and the update-pass object.
#include "CmdTarget.h"

const MessageMap* CCmdTarget::GetThisMessageMap() {
    static const MessageMapEntry entries[] = {{MapEntryKind::End, 0, 0, 0, 0, nullptr}};
    static const MessageMap map = {nullptr, entries};
    return &map;
}

const MessageMap* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

const MessageMapEntry* CCmdTarget::FindEntry(MapEntryKind kind, UINT message, UINT code, UINT id) const {
    for (const MessageMap* map = GetMessageMap(); map != nullptr; map = map->base ? map->base() : nullptr) {
        for (const MessageMapEntry* e = map->entries; e->kind != MapEntryKind::End; ++e) {
            if (e->kind != kind)
                continue;
            switch (kind) {
            case MapEntryKind::Message:
                if (e->message == message)
                    return e;
                break;
            case MapEntryKind::Command:
            case MapEntryKind::UpdateCommandUI:
                if (id >= e->firstId && id <= e->lastId)
                    return e;
                break;
            case MapEntryKind::Notify:
            case MapEntryKind::Control:
                if (e->code == code && id >= e->firstId && id <= e->lastId)
                    return e;
                break;
            case MapEntryKind::NotifyReflect:
            case MapEntryKind::ControlReflect:
                if (e->code == code)
                    return e;
                break;
            case MapEntryKind::CtlColor:
                if (message >= e->firstId && message <= e->lastId)
                    return e;
                break;
            case MapEntryKind::CtlColorReflect:
                return e;
            case MapEntryKind::End:
                break;
            }
        }
    }
    return nullptr;
}

bool CCmdTarget::OnCmdMsg(UINT id, int code, void* extra, bool probeOnly) {
    if (code == CN_UPDATE_COMMAND_UI) {
        const MessageMapEntry* e = FindEntry(MapEntryKind::UpdateCommandUI, 0, 0, id);
        if (e == nullptr)
            return false;
        auto* ui = static_cast<CCmdUI*>(extra);
        ui->handled = true;
        e->thunk(this, reinterpret_cast<WPARAM>(ui), 0);
        return true;
    }
    const MessageMapEntry* e = FindEntry(MapEntryKind::Command, 0, 0, id);
    if (e == nullptr)
        return false;
    if (!probeOnly)
        e->thunk(this, 0, 0);
    return true;
}

void CCmdUI::Enable(BOOL on) {
    enabled = on != FALSE;
    if (menu != nullptr)
        EnableMenuItem(menu, index, MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
    else if (toolBar != nullptr && (SendMessageW(toolBar, TB_ISBUTTONENABLED, id, 0) != 0) != enabled)
        SendMessageW(toolBar, TB_ENABLEBUTTON, id, MAKELPARAM(enabled ? TRUE : FALSE, 0));
}

void CCmdUI::SetCheck(int check) {
    checked = check;
    if (menu != nullptr)
        CheckMenuItem(menu, index, MF_BYPOSITION | (check ? MF_CHECKED : MF_UNCHECKED));
    else if (toolBar != nullptr && (SendMessageW(toolBar, TB_ISBUTTONCHECKED, id, 0) != 0) != (check != 0))
        SendMessageW(toolBar, TB_CHECKBUTTON, id, MAKELPARAM(check ? TRUE : FALSE, 0));
}

void CCmdUI::DoUpdate(CCmdTarget* target, bool disableIfNoHandler) {
    handled = false;
    if (target->OnCmdMsg(id, CN_UPDATE_COMMAND_UI, this))
        return;
    Enable(disableIfNoHandler ? target->OnCmdMsg(id, CN_COMMAND, nullptr, true) : TRUE);
}
