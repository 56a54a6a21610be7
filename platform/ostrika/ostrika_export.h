#pragma once
#include <QtGlobal>
#if defined(OSTRIKA_LIBRARY)
#  define OSTRIKA_EXPORT Q_DECL_EXPORT
#else
#  define OSTRIKA_EXPORT Q_DECL_IMPORT
#endif
