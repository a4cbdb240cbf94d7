#include "math/d3d_math.h"

#include <cmath>

namespace {

D3DVECTOR Sub(const D3DVECTOR& a, const D3DVECTOR& b)
{
    return D3DVECTOR{a.x - b.x, a.y - b.y, a.z - b.z};
}

D3DVECTOR Scale(const D3DVECTOR& v, float s)
{
    return D3DVECTOR{v.x * s, v.y * s, v.z * s};
}

D3DVECTOR Divide(const D3DVECTOR& v, float d)
{
    return D3DVECTOR{v.x / d, v.y / d, v.z / d};
}

float* Elements(D3DMATRIX& m) { return &m._11; }
const float* Elements(const D3DMATRIX& m) { return &m._11; }

}  // namespace

D3DVECTOR& VecSet(D3DVECTOR& v, float x, float y, float z)
{
    v.x = x;
    v.y = y;
    v.z = z;
    return v;
}

float VecLengthSq(const D3DVECTOR& v)
{
    return v.x * v.x + v.y * v.y + v.z * v.z;
}

float VecLength(const D3DVECTOR& v)
{
    return std::sqrt(VecLengthSq(v));
}

D3DVECTOR& VecCross(D3DVECTOR& out, const D3DVECTOR& a, const D3DVECTOR& b)
{
    const D3DVECTOR r{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
    out = r;
    return out;
}

float VecDot(const D3DVECTOR& a, const D3DVECTOR& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

D3DMATRIX& MatIdentity(D3DMATRIX& m)
{
    m = D3DMATRIX{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

D3DMATRIX& MatMultiply(D3DMATRIX& out, const D3DMATRIX& a, const D3DMATRIX& b)
{
    const float* pa = Elements(a);
    const float* pb = Elements(b);
    float* po = Elements(out);
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) {
                sum += pa[r * 4 + k] * pb[k * 4 + c];
            }
            po[r * 4 + c] = sum;
        }
    }
    return out;
}

D3DMATRIX& MatRotateX(D3DMATRIX& m, float angle)
{
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    MatIdentity(m);
    m._22 = c;
    m._23 = s;
    m._32 = -s;
    m._33 = c;
    return m;
}

D3DMATRIX& MatRotateY(D3DMATRIX& m, float angle)
{
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    MatIdentity(m);
    m._11 = c;
    m._13 = -s;
    m._31 = s;
    m._33 = c;
    return m;
}

HRESULT MatPerspective(D3DMATRIX& m, float fov, float aspect, float nearZ, float farZ)
{
    if (std::fabs(farZ - nearZ) < 0.01f) {
        return E_INVALIDARG;
    }
    const float half = fov * 0.5f;
    const float sinHalf = std::sin(half);
    if (std::fabs(sinHalf) < 0.01f) {
        return E_INVALIDARG;
    }
    const float cot = std::cos(half) / sinHalf;
    const float q = farZ / (farZ - nearZ);
    m = D3DMATRIX{};
    m._11 = aspect * cot;
    m._22 = cot;
    m._33 = q;
    m._34 = 1.0f;
    m._43 = -q * nearZ;
    return S_OK;
}

HRESULT MatLookAt(D3DMATRIX& m, const D3DVECTOR& eye, const D3DVECTOR& at, const D3DVECTOR& up)
{
    D3DVECTOR f = Sub(at, eye);
    const float fLength = VecLength(f);
    if (fLength < 1e-6f) {
        return E_INVALIDARG;
    }
    f = Divide(f, fLength);

    D3DVECTOR u = Sub(up, Scale(f, VecDot(up, f)));
    float uLength = VecLength(u);
    if (uLength < 1e-6f) {
        u = D3DVECTOR{-f.y * f.x, 1.0f - f.y * f.y, -f.y * f.z};
        uLength = VecLength(u);
    }
    if (uLength < 1e-6f) {
        u = D3DVECTOR{-f.z * f.x, -f.z * f.y, 1.0f - f.z * f.z};
        uLength = VecLength(u);
        if (uLength < 1e-6f) {
            return E_INVALIDARG;
        }
    }
    u = Divide(u, uLength);
    D3DVECTOR r;
    VecCross(r, u, f);

    MatIdentity(m);
    m._11 = r.x;
    m._12 = u.x;
    m._13 = f.x;
    m._21 = r.y;
    m._22 = u.y;
    m._23 = f.y;
    m._31 = r.z;
    m._32 = u.z;
    m._33 = f.z;
    m._41 = -VecDot(eye, r);
    m._42 = -VecDot(eye, u);
    m._43 = -VecDot(eye, f);
    return S_OK;
}
