#pragma once

// Plain values shared by the core and the window: what is being played, and which page of
// the window's page stack shows. No widgets here, so the core can use them too.

// What a play request or a playlist entry stands for.
enum class MediaKind { File, Dvd, Bluray };

// The pages of the window's page stack; each value is the page's index there.
enum class Page { Start = 0, Disc = 1, Video = 2 };

constexpr int PageIndex(Page page) {
    return static_cast<int>(page);
}
