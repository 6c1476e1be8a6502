// Resource ids shared by resources.rc and the code; the resource compiler reads
// this file too, so it holds only plain defines.
#pragma once

// The contact badge of the link picture boxes (8-bit BMP, 74 x 22).
#define SB_RES_CONTACT_BADGE 201
