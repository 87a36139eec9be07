#include "ucl/image_rect.h"

TRect ImageDestRect(int Width, int Height, int ClientWidth, int ClientHeight,
                    const TImageLayout& Layout) noexcept {
    int w = Width, h = Height;
    const int cw = ClientWidth, ch = ClientHeight;
    if (Layout.Stretch || (Layout.Proportional && (w > cw || h > ch))) {
        if (Layout.Proportional && w > 0 && h > 0) {
            const double aspect = double(w) / h;
            if (w > h) {
                w = cw;
                h = int(cw / aspect);
                if (h > ch) {
                    h = ch;
                    w = int(ch * aspect);
                }
            } else {
                h = ch;
                w = int(ch * aspect);
                if (w > cw) {
                    w = cw;
                    h = int(cw / aspect);
                }
            }
        } else {
            w = cw;
            h = ch;
        }
    }
    TRect r{0, 0, w, h};
    if (Layout.Center) {
        const int dx = (cw - w) / 2, dy = (ch - h) / 2;
        r = {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
    }
    return r;
}

bool ImageCoversClient(const TRect& Dest, int ClientWidth, int ClientHeight, bool Transparent) noexcept {
    return !Transparent && Dest.Left <= 0 && Dest.Top <= 0 && Dest.Right >= ClientWidth &&
           Dest.Bottom >= ClientHeight;
}
