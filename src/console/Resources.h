#pragma once

// Registers the console's compiled-in pictures and manual. Call once, before they are used.
void InitZefResources();
