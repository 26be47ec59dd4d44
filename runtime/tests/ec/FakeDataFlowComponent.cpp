#include "FakeDataFlowComponent.h"

namespace ectest
{

  void FakeDataFlowComponent::setAttachResult(RTC::ExecutionContextHandle_t handle)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_attachResult = handle;
  }

  void FakeDataFlowComponent::failAttach()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_failAttach = true;
  }

  RTC::ExecutionContext_ptr FakeDataFlowComponent::attachedContext()
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    return RTC::ExecutionContext::_duplicate(m_attached.in());
  }

  RTC::ExecutionContextHandle_t FakeDataFlowComponent::attach_context(RTC::ExecutionContext_ptr ec)
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_failAttach)
    {
      throw CORBA::BAD_OPERATION();
    }
    m_attached = RTC::ExecutionContext::_duplicate(ec);
    return m_attachResult;
  }

}  // namespace ectest
