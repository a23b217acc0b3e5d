/*
 * editview.cpp - the editing commands' calls on the view: for now they set the document's
 * selection and edit channel themselves and repaint the main window through
 * Edit.hook.repaint; the view's own InvalidateWaveRange, viewModified, SetSelection,
 * UpdateStatusFields and SetEditChannel take their place here.  Writes Doc and Wave.
 */
#include "edit/editview.h"
#include "edit/edits.h"
#include "shell/document.h"
#include "store/voc.h"

static void repaint(void)
{
    if (Edit.hook.repaint)
        Edit.hook.repaint();
}

void editInvalidate(uint32_t first, uint32_t last)
{
    (void)first;
    (void)last;
    repaint();
}

void editViewModified(void) { repaint(); }

void editSelect(uint32_t first, uint32_t last)
{
    Doc.selStart = first;
    Doc.selEnd = last;
    Doc.selectionShown = last != DOC_NONE && last >= first ? 0xFFFF : 0;
    repaint();
}

void editStatus(void) { repaint(); }

void editSetChannel(int channel)
{
    Wave.editChannel = Wave.channels == 2 && channel >= 0 && channel <= 2 ? channel : 0;
    repaint();
}
