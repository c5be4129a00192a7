// testing.h: what the tests reach in the field library and the program does
// not.
//
//   clearPuf()  puf and the renderer's copy of it as before alustaPuf
#pragma once

// puf and the renderer's integer copy of it all zeros again, as they are
// before alustaPuf first fills them, and counted as a fill that nothing
// the renderer keeps was built from: for the tests, which draw from there.
void clearPuf();
