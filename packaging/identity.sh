# Sourced: the product's identity as the plug-in declares it (resources/plugin_description.h),
# so no package retypes the version or the names.
#   VERSION       1.1.0.36 (major.minor.fix.build)
#   DISPLAY_NAME  the effect's name; PUBLISHER  the maker (the effect's category)
identity_header="$(dirname "${BASH_SOURCE[0]}")/../resources/plugin_description.h"
identity_define() {
  sed -n "s/^#define $1 \"\{0,1\}\([^\"]*\)\"\{0,1\}\$/\1/p" "$identity_header"
}
VERSION="$(identity_define TG_VERSION_MAJOR).$(identity_define TG_VERSION_MINOR).$(identity_define TG_VERSION_FIX).$(identity_define TG_VERSION_BUILD)"
DISPLAY_NAME="$(identity_define TG_DISPLAY_NAME)"
PUBLISHER="$(identity_define TG_CATEGORY)"
[[ $VERSION =~ ^[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+$ && -n $DISPLAY_NAME && -n $PUBLISHER ]] || {
  echo "identity: cannot read the version and names from $identity_header" >&2
  return 1
}
