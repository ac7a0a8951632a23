// The Assets view's grid CMLs: the grid tab beside the trend for a CML that is a grid, and
// making a plain CML a grid.
#include "assetspage/AssetsDialog.h"

#include "assetspage/CmlJudgementPane.h"
#include "assetspage/GridForm.h"
#include "assetspage/GridPane.h"
#include "assetspage/PlacesWords.h"
#include "interaction/UserInteraction.h"
#include "store/Places.h"

#include <QTabWidget>

void AssetsDialog::showGrid()
{
    if (!m_gridPane || m_historyCml == m_gridCml)
        return;
    m_gridCml = m_historyCml;
    const bool grid = m_gridPane->setCml(m_places.get(), m_historyCml > 0 ? m_historyCml : 0);
    m_judgement->setGridOffered(m_places && m_historyCml > 0 && !grid);
    m_cmlTabs->setTabVisible(1, grid);
    // A grid is read by its map first; its trend (one line through every cell) says little.
    m_cmlTabs->setCurrentIndex(grid ? 1 : 0);
}

void AssetsDialog::makeGrid()
{
    const qint64 cml = chosenCml();
    if (!m_places || !cml)
        return tell(tr("Choose a CML first."));
    GridForm form(m_places->cml(cml).tag, m_places->grid(cml), this);
    if (!m_ui.runDialog(&form, form.windowTitle()))
        return;
    if (!m_places->setGrid(cml, form.definition()))
        return tell(PlacesWords::problem(*m_places));
    m_gridCml = -1; // read again
    showGrid();
}
