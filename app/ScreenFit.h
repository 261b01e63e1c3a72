#pragma once

class QWidget;

// Moves and cuts the window so that it lies, its frame included, on its screen's free area,
// though never below its minimum size.
void KeepOnScreen(QWidget &Window);
