# Sourced by the scripts that run Wine. Wine names files in the character set
# of the Unix locale: without a UTF-8 locale a profile named "Ärger" or
# "プロファイル" could not be saved. Use C.UTF-8 (always present on Debian)
# when the caller's locale is not UTF-8.
if [ "$(locale charmap 2>/dev/null)" != "UTF-8" ]; then
  export LC_ALL=C.UTF-8
fi
