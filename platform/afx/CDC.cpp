#include "afx/CDC.h"

#include <cassert>
#include <memory>
#include <unordered_map>

IMPLEMENT_DYNAMIC(CDC, CObject)

namespace {

// The temporary wrappers handed out by FromHandle. Deliberately leaked at
// exit so that no wrapper outlives its map during static destruction.
std::unordered_map<HDC, std::unique_ptr<CDC>>& tempMap()
{
    static auto* map = new std::unordered_map<HDC, std::unique_ptr<CDC>>;
    return *map;
}

} // namespace

CDC::~CDC()
{
    if (m_bOwnsDC) DeleteDC();
}

CDC* CDC::FromHandle(HDC hDC)
{
    if (!hDC) return nullptr;
    auto& map = tempMap();
    auto found = map.find(hDC);
    if (found != map.end()) return found->second.get();
    auto wrapper = std::make_unique<CDC>();
    wrapper->m_hDC = hDC;
    wrapper->m_hAttribDC = hDC;
    CDC* result = wrapper.get();
    map.emplace(hDC, std::move(wrapper));
    return result;
}

void CDC::DeleteTempMap() { tempMap().clear(); }

BOOL CDC::Attach(HDC hDC)
{
    assert(!m_hDC && "CDC::Attach on a wrapper that already holds a context");
    if (!hDC) return FALSE;
    m_hDC = hDC;
    m_hAttribDC = hDC;
    m_bOwnsDC = false;
    return TRUE;
}

HDC CDC::Detach()
{
    HDC hDC = m_hDC;
    m_hDC = nullptr;
    m_hAttribDC = nullptr;
    m_bOwnsDC = false;
    return hDC;
}

BOOL CDC::CreateCompatibleDC(CDC* pDC)
{
    assert(!m_hDC && "CDC::CreateCompatibleDC on a wrapper that already holds a context");
    HDC hDC = ::CreateCompatibleDC(pDC ? pDC->m_hDC : nullptr);
    if (!hDC) return FALSE;
    m_hDC = hDC;
    m_hAttribDC = hDC;
    m_bOwnsDC = true;
    return TRUE;
}

BOOL CDC::DeleteDC()
{
    if (!m_hDC) return FALSE;
    const BOOL ok = m_bOwnsDC ? ::DeleteDC(m_hDC) : FALSE;
    m_hDC = nullptr;
    m_hAttribDC = nullptr;
    m_bOwnsDC = false;
    return ok;
}

void CDC::FillSolidRect(LPCRECT rect, COLORREF color)
{
    HBRUSH brush = ::CreateSolidBrush(color);
    if (!brush) return;
    ::FillRect(m_hDC, rect, brush);
    ::DeleteObject(brush);
}
