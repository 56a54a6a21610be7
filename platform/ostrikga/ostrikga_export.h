#pragma once
#include <QtGlobal>
#if defined(OSTRIKGA_LIBRARY)
#  define OSTRIKGA_EXPORT Q_DECL_EXPORT
#else
#  define OSTRIKGA_EXPORT Q_DECL_IMPORT
#endif
