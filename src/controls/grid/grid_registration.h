// SPDX-License-Identifier: GPL-3.0-or-later
// Makes the grid classes known to the window description reader, so a description can name
// "TStringGrid" (and "TDrawGrid"). The program calls it once before reading its main window.
#pragma once

void RegisterGridClasses();
