// The logging statement's header stays light: it does not bring in the sink's lock, which
// lives in the library's source. (A check made when this file is compiled.)
#include "addon001/log/log_statement.h"

#if defined(BOOST_THREAD_MUTEX_HPP)
#error "addon001/log/log_statement.h includes boost/thread/mutex.hpp"
#endif
