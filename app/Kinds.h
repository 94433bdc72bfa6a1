#pragma once

// Plain values shared by the core and the window: what is being played, and which page of
// the window's page stack shows. No widgets here, so the core can use them too.

// What a play request or a playlist entry stands for.
enum SourceKindValue { SourceFile = 0, SourceDvd = 1, SourceBluray = 2 };

// The pages of the window's page stack, in the order they are added.
enum PageIndex { PageStart = 0, PageDisc = 1, PageVideo = 2 };
