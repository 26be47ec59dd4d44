// Holds a lock for the life of a scope.
#ifndef COIL_GUARD_H
#define COIL_GUARD_H

namespace coil
{
  template <class M>
  class Guard
  {
  public:
    explicit Guard(M& mutex) : m_mutex(mutex) { m_mutex.lock(); }
    ~Guard() { m_mutex.unlock(); }

  private:
    Guard(const Guard&);
    Guard& operator=(const Guard&);
    M& m_mutex;
  };
}  // namespace coil

#endif  // COIL_GUARD_H
