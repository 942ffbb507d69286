#include "tolerancehandoff.h"

ToleranceHandoff::Steps ToleranceHandoff::request()
{
    switch (m_state) {
    case State::Idle:
        m_state = State::Running;
        return {Step::ClearResults, Step::StartCheck};
    case State::Running:
    case State::Superseded:
        m_state = State::Superseded;
        m_waiting = true;
        return {Step::ClearResults};
    }
    return {};
}

ToleranceHandoff::Steps ToleranceHandoff::cancel()
{
    m_waiting = false;
    if (m_state == State::Running)
        m_state = State::Superseded;
    return {Step::ClearResults};
}

ToleranceHandoff::Steps ToleranceHandoff::done()
{
    switch (m_state) {
    case State::Idle:
        return {};
    case State::Running:
        m_state = State::Idle;
        return {Step::Deliver};
    case State::Superseded:
        if (m_waiting) {
            m_waiting = false;
            m_state = State::Running;
            return {Step::Drop, Step::StartCheck};
        }
        m_state = State::Idle;
        return {Step::Drop};
    }
    return {};
}

const char* ToleranceHandoff::stateName(State s)
{
    switch (s) {
    case State::Idle:
        return "Idle";
    case State::Running:
        return "Running";
    case State::Superseded:
        return "Superseded";
    }
    return "?";
}
