// One instance per process of a class that befriends Singleton<itself> and hides its constructor:
// class Registry : public coil::Singleton<Registry> { friend class coil::Singleton<Registry>; ... }
#ifndef COIL_SINGLETON_H
#define COIL_SINGLETON_H

namespace coil
{
  template <class SingletonClass>
  class Singleton
  {
  public:
    typedef SingletonClass* SingletonClassPtr;

    // Made on first use, safely from any thread; never destroyed, so that it outlives every
    // static that may still use it at exit.
    static SingletonClass& instance()
    {
      static SingletonClass* const obj = new SingletonClass();
      return *obj;
    }

  protected:
    Singleton() {}
    ~Singleton() {}

  private:
    Singleton(const Singleton&);
    Singleton& operator=(const Singleton&);
  };
}  // namespace coil

#endif  // COIL_SINGLETON_H
