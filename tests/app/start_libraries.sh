#!/bin/sh
# Starts the program given until its window is painted and fails if the
# dynamic loader loaded qpdf or gnutls for it. The loader names every library
# it loads; Qt Widgets must be among them, or the list says nothing.
libs=$(LD_DEBUG=libs "$1" 2>&1) || exit 1
case $libs in
*libqpdf* | *libgnutls*)
  echo "loaded at the start:"
  echo "$libs" | grep -E 'libqpdf|libgnutls' | grep 'calling init'
  exit 1
  ;;
esac
case $libs in
*libQt6Widgets*) exit 0 ;;
esac
echo "the dynamic loader named no library"
exit 1
