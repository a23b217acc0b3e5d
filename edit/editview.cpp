/*
 * editview.cpp - the editing commands' calls on the view.  The program points EditView at
 * the view's InvalidateWaveRange, viewModified, SetSelection, UpdateStatusFields and
 * SetEditChannel; without them (the engine's tests) the document's selection and edit
 * channel are set here and the main window repainted through Edit.hook.repaint.
 */
#include "edit/editview.h"
#include "edit/edits.h"
#include "core/document.h"
#include "store/voc.h"

EditViewHooks EditView;

static void repaint(void)
{
    if (Edit.hook.repaint)
        Edit.hook.repaint();
}

void editInvalidate(uint32_t first, uint32_t last)
{
    if (EditView.invalidate) {
        EditView.invalidate(first, last);
        return;
    }
    (void)first;
    (void)last;
    repaint();
}

void editViewModified(void)
{
    if (EditView.modified)
        EditView.modified();
    else
        repaint();
}

void editSelect(uint32_t first, uint32_t last)
{
    if (EditView.select) {
        EditView.select(first, last);
        return;
    }
    Doc.selStart = first;
    Doc.selEnd = last;
    Doc.selectionShown = last != DOC_NONE && last >= first ? 0xFFFF : 0;
    repaint();
}

void editStatus(void)
{
    if (EditView.status)
        EditView.status();
    else
        repaint();
}

void editSetChannel(int channel)
{
    if (EditView.channel) {
        EditView.channel(Wave.channels == 2 && channel >= 0 && channel <= 2 ? channel : 0);
        return;
    }
    Wave.editChannel = Wave.channels == 2 && channel >= 0 && channel <= 2 ? channel : 0;
    repaint();
}
