#include "addon001/afx/dyn_link_library.h"

#include <mutex>
#include <vector>

namespace {
// Guards the chain of enrolled modules: a host may inspect it while another thread loads.
std::mutex& chainMutex() {
    static std::mutex mutex;
    return mutex;
}
}  // namespace

CDynLinkLibrary::CDynLinkLibrary(AFX_EXTENSION_MODULE& state, BOOL system)
    : m_hModule(state.hModule),
      m_hResource(state.hResource),
      m_bSystem(system),
      m_pNextDLL(nullptr) {
    m_classList.m_pHead = state.pFirstSharedClass;
    m_factoryList.m_pHead = state.pFirstSharedFactory;
    std::lock_guard<std::mutex> lock(chainMutex());
    CTypedSimpleList<CDynLinkLibrary>& chain = AfxGetModuleState()->m_libraryList;
    m_pNextDLL = chain.m_pHead;
    chain.m_pHead = this;
}

CDynLinkLibrary::~CDynLinkLibrary() {
    std::lock_guard<std::mutex> lock(chainMutex());
    CDynLinkLibrary** link = &AfxGetModuleState()->m_libraryList.m_pHead;
    while (*link != nullptr && *link != this) link = &(*link)->m_pNextDLL;
    if (*link == this) *link = m_pNextDLL;
}

bool AfxIsModuleEnrolled(HMODULE module) {
    std::lock_guard<std::mutex> lock(chainMutex());
    for (CDynLinkLibrary* library = AfxGetModuleState()->m_libraryList.m_pHead; library != nullptr;
         library = library->m_pNextDLL) {
        if (library->m_hModule == module) return true;
    }
    return false;
}

int AfxEnrolledModuleCount() {
    std::lock_guard<std::mutex> lock(chainMutex());
    int count = 0;
    for (CDynLinkLibrary* library = AfxGetModuleState()->m_libraryList.m_pHead; library != nullptr;
         library = library->m_pNextDLL) {
        ++count;
    }
    return count;
}

namespace afx_detail {
void withdrawLibraries(HMODULE module, bool all) {
    std::vector<CDynLinkLibrary*> withdrawn;
    {
        std::lock_guard<std::mutex> lock(chainMutex());
        for (CDynLinkLibrary* library = AfxGetModuleState()->m_libraryList.m_pHead;
             library != nullptr; library = library->m_pNextDLL) {
            if (all || library->m_hModule == module) withdrawn.push_back(library);
        }
    }
    // Each library unlinks itself from the chain as it is destroyed.
    for (CDynLinkLibrary* library : withdrawn) delete library;
}
}  // namespace afx_detail
