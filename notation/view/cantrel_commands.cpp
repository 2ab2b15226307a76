// The notation view's command handler: the command manager calls it around
// every batch of commands applied to the performance. The view lets its
// engine see each command before it is applied and renotate after it; the
// batch's end (state 500) repaginates and redraws.
#include "notation/view/cantrel.h"

#include "model/command.h"
#include "model/commandmgr.h"
#include "notation/view/scorewnd.h"

int CCantrel::_OnCommand(ECBase* /*performance*/, int phase, void* commands, void* user) {
    auto* view = static_cast<CCantrel*>(user);
    auto* batch = static_cast<MCCommandList*>(commands);
    if (!view || !batch)
        return -1;
    switch (phase) {
    case CMD_PHASE_PREPARE:
        return view->OnPrepareCommand(*batch);
    case CMD_PHASE_PROCESS:
        return view->OnProcessCommand(*batch);
    case CMD_PHASE_FINISH:
        return view->OnFinishCommand(*batch);
    default:
        return -1;
    }
}

int CCantrel::OnPrepareCommand(MCCommandList& commands) {
    // While recording the tool stays: recorded notes arrive as commands.
    if (!m_autoNote.GetNotateInfo().IsRecording())
        HideCursor(0);
    if (GetSafeHwnd())
        SetRedraw(FALSE);
    m_bEditing = 1;
    if (m_pScoreBar) {
        // A track that comes or goes changes the bar's tracks combo.
        for (POSITION pos = commands.GetHeadPosition(); pos;) {
            const int id = commands.GetNext(pos)->GetCommandId();
            if (id == CMD_ADDTRACK || id == CMD_REMOVETRACK)
                m_pScoreBar->SetNeedsUpdate(1);
        }
    }
    m_autoNote.PrepareBatch(commands);
    return 1;
}

int CCantrel::OnProcessCommand(MCCommandList& commands) {
    return m_autoNote.BatchProcess(commands);
}

int CCantrel::OnFinishCommand(MCCommandList& /*commands*/) {
    return 1;
}
