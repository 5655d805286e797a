#!/bin/sh
# Prints the architecture whose Windows programs the tests run on: i686 where 32-bit Linux
# programs run (wine32), x86_64 where the kernel refuses them. TEST_ARCH=x86_64 asks for the
# 64-bit build where both run.
case "${TEST_ARCH:-}" in
  x86_64) echo x86_64; exit 0 ;;
  i686) echo i686; exit 0 ;;
  "") ;;
  *) echo "TEST_ARCH must be i686 or x86_64" >&2; exit 2 ;;
esac
if /usr/lib/wine/wine --version >/dev/null 2>&1; then echo i686; else echo x86_64; fi
