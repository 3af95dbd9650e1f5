# bash completion for tesselctl. The words come from tesselctl itself
# ("tesselctl complete WORD..."), so they follow its commands and setting keys.
_tesselctl() {
  local cur=${COMP_WORDS[COMP_CWORD]}
  local IFS=$'\n'
  local -a words
  words=($("${COMP_WORDS[0]}" complete "${COMP_WORDS[@]:1:COMP_CWORD-1}" 2>/dev/null))
  COMPREPLY=($(compgen -W "${words[*]}" -- "$cur"))
  # A setting key ends in "=": its value follows without a space.
  if [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} == *= ]]; then
    compopt -o nospace 2>/dev/null
  fi
}
# With nothing to offer (a FILE operand), bash completes file names.
complete -o default -F _tesselctl tesselctl
