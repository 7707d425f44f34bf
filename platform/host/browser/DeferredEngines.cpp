#include "host/browser/DeferredEngines.h"

#include <algorithm>
#include <string>
#include <utility>

namespace quarrow {

// The engine a control holds: forwards everything to its real engine once
// there is one, and until then keeps what the real engine will need.
class DeferredEngines::StandIn final : public BrowserEngine {
public:
    StandIn(BrowserEngineHost& host, DeferredEngines& owner) : BrowserEngine(host), m_owner(&owner)
    {
        if (owner.m_started) {
            // Nothing has been asked yet: the real engine starts as any does.
            m_owner = nullptr;
            if (owner.m_real) m_real = owner.m_real(host);
        } else {
            owner.m_waiting.push_back(this);
        }
    }
    ~StandIn() override { leaveOwner(); }

    // Makes the real engine and hands it what the control asked so far.
    void makeReal(const BrowserEngineFactory& factory)
    {
        m_owner = nullptr;
        if (!factory || m_closed) return;
        m_real = factory(host());
        if (!m_real) return;
        std::vector<std::u16string> navigations;
        navigations.swap(m_navigations);
        m_real->setSilent(silent());
        m_real->windowChanged();
        for (const std::u16string& url : navigations) m_real->navigate(url);
    }

    // The owner is going: the stand-in forgets it (and stays inert).
    void ownerGone() { m_owner = nullptr; }

protected:
    void navigateImpl(const std::u16string& url) override
    {
        if (m_real) {
            m_real->navigate(url);
        } else if (!m_closed) {
            m_navigations.push_back(url);
        }
    }
    std::u16string locationImpl() const override
    {
        if (m_real) return m_real->location();
        return m_navigations.empty() ? std::u16string() : m_navigations.back();
    }
    void silentChangedImpl() override
    {
        if (m_real) m_real->setSilent(silent());
    }
    void windowChangedImpl() override
    {
        if (m_real) m_real->windowChanged();
    }
    void paintImpl(HDC dc, const RECT& client) override
    {
        if (m_real) m_real->paint(dc, client);
    }
    void keyImpl(const MSG& msg) override
    {
        if (m_real) m_real->key(msg);
    }
    void mouseImpl(const MSG& msg) override
    {
        if (m_real) m_real->mouse(msg);
    }
    void closeImpl() override
    {
        m_closed = true;
        m_navigations.clear();
        leaveOwner();
        if (m_real) m_real->close();
    }

private:
    void leaveOwner()
    {
        if (!m_owner) return;
        auto& waiting = m_owner->m_waiting;
        waiting.erase(std::remove(waiting.begin(), waiting.end(), this), waiting.end());
        m_owner = nullptr;
    }

    DeferredEngines* m_owner; // while waiting for the real engine
    std::unique_ptr<BrowserEngine> m_real;
    std::vector<std::u16string> m_navigations;
    bool m_closed = false;
};

DeferredEngines::~DeferredEngines()
{
    for (StandIn* engine : m_waiting) engine->ownerGone();
}

BrowserEngineFactory DeferredEngines::factory()
{
    return [this](BrowserEngineHost& host) -> std::unique_ptr<BrowserEngine> {
        return std::make_unique<StandIn>(host, *this);
    };
}

void DeferredEngines::start(BrowserEngineFactory real)
{
    if (m_started) return;
    m_started = true;
    m_real = std::move(real);
    // A real engine's making may run program code (none does today), which
    // may make or close controls: each stand-in is taken off the list
    // before its engine is made.
    while (!m_waiting.empty()) {
        StandIn* next = m_waiting.front();
        m_waiting.erase(m_waiting.begin());
        next->makeReal(m_real);
    }
}

} // namespace quarrow
