// The DLL's own exports, loaded from the module directory of the build the
// way COM loads it, without registration.
#include "ServiceFixture.h"

namespace svctest {
namespace {

using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();

class ServiceDll : public ServiceTest {
protected:
    void SetUp() override {
        ServiceTest::SetUp();
        wchar_t exe[MAX_PATH];
        ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
        std::wstring path = exe;
        path = path.substr(0, path.find_last_of(L'\\'));
        path = path.substr(0, path.find_last_of(L'\\')) + L"\\bin\\TarnDeviceService.dll";
        m_module = ::LoadLibraryW(path.c_str());
        if (!m_module)
            GTEST_SKIP() << "the service DLL is not built beside the tests";
    }
    void TearDown() override {
        if (m_module)
            ::FreeLibrary(m_module);
        ServiceTest::TearDown();
    }
    template <typename F>
    F Export(const char* name) {
        return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(m_module, name)));
    }

    HMODULE m_module = nullptr;
};

TEST_F(ServiceDll, ClassFactoryMakesTheEnumerator) {
    auto getClassObject = Export<GetClassObject>("DllGetClassObject");
    auto canUnloadNow = Export<CanUnloadNow>("DllCanUnloadNow");
    ASSERT_TRUE(getClassObject && canUnloadNow);
    ASSERT_TRUE(::GetProcAddress(m_module, "DllRegisterServer") &&
                ::GetProcAddress(m_module, "DllUnregisterServer"));

    ComPtr<IClassFactory> factory;
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
              getClassObject(devsvc::kIidEnumerator, IID_IClassFactory, factory.put_void()));
    ASSERT_EQ(S_OK, getClassObject(devsvc::kClassId, IID_IClassFactory, factory.put_void()));
    ComPtr<devsvc::IDeviceEnumerator> enumerator;
    EXPECT_EQ(CLASS_E_NOAGGREGATION,
              factory->CreateInstance(factory.get(), devsvc::kIidEnumerator, enumerator.put_void()));
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, devsvc::kIidEnumerator, enumerator.put_void()));
    factory.reset();
    ComPtr<devsvc::IDevice> device;
    ASSERT_EQ(S_OK, enumerator->Device(0, device.put()));
    devsvc::InfoRecord info{};
    ASSERT_EQ(S_OK, device->Info(&info));
    ::CoTaskMemFree(info.text);
    EXPECT_EQ(21u, info.productId);
    EXPECT_EQ(S_FALSE, canUnloadNow());
    device.reset();
    enumerator.reset();
    EXPECT_EQ(S_OK, canUnloadNow());
}

}  // namespace
}  // namespace svctest
