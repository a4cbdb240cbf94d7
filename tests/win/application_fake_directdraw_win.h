// A DirectDraw object that answers TestCooperativeLevel with a chosen code,
// for the answers Wine's DirectDraw never gives (exclusive mode already set,
// wrong mode). The frame step asks nothing else of the application's copy of
// the DirectDraw object; the display keeps and releases the real one.
#pragma once

#include "fake_directdraw_win.h"

class FakeCooperativeDirectDraw : public FakeDirectDraw {
public:
    explicit FakeCooperativeDirectDraw(HRESULT answer) : answer_(answer) {}

    int asked = 0;

    HRESULT STDMETHODCALLTYPE TestCooperativeLevel() override
    {
        ++asked;
        return answer_;
    }

private:
    HRESULT answer_;
};
