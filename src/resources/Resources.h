#pragma once
// The pictures compiled into the program: digit glyphs ":/LCD0" .. ":/LCD24" (30 x 52), the
// front panel and its annunciators under ":/panel/", the cross cursor ":/cursors/cross.png", the
// program's icon and the tool buttons' own icons under ":/icons/".
// The user-interface library is static, so its resources must be registered once at start.
void initQ7320Resources();
