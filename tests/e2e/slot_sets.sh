# shellcheck shell=bash
# Sets of slot files, each a folder holding log00.pms … log30.pms, planted into a program's Log
# folder before a start and compared with it afterwards byte for byte. Source tests/e2e/lib.sh
# first: SLOT_COUNT, slot_name and slot_file are its own.

# slot_set_make DIR TAG: 31 distinct addresses, all naming TAG, in the shapes the program meets:
# empty slots, commas and a query, Japanese in code page 932, and a few long addresses (a long
# write is a wide target for a kill during the save).
slot_set_make() {
  local dir=$1 tag=$2 k file
  rm -rf "$dir"
  mkdir -p "$dir"
  for ((k = 0; k < SLOT_COUNT; k++)); do
    file="$dir/$(slot_name "$k")"
    case $((k % 6)) in
      3) : >"$file" ;;
      1) e2e_write_cp932 "$file" "http://127.0.0.1/$tag/日本語のページ/$k" ;;
      4) printf 'http://127.0.0.1/%s/%d/%s' "$tag" "$k" "$(head -c $((2048 * k)) /dev/zero |
        tr '\0' 'a')" >"$file" ;;
      *) printf 'http://127.0.0.1/%s/a,b?k=%d,%d' "$tag" "$k" "$k" >"$file" ;;
    esac
  done
}

# slot_set_plant DIR [FOLDER]: the set becomes the program folder's slot files.
slot_set_plant() {
  local folder=${2:-$E2E_FOLDER}
  mkdir -p "$folder/Log"
  cp "$1"/*.pms "$folder/Log/"
}

# slot_set_matches DIR [FOLDER]: every slot file holds exactly the set's bytes.
slot_set_matches() {
  local folder=${2:-$E2E_FOLDER} k
  for ((k = 0; k < SLOT_COUNT; k++)); do
    cmp -s "$1/$(slot_name "$k")" "$(slot_file "$k" "$folder")" || return 1
  done
}

# slot_set_assert DIR WHAT [FOLDER]: as slot_set_matches, naming the first slot that differs.
slot_set_assert() {
  local folder=${3:-$E2E_FOLDER} k
  for ((k = 0; k < SLOT_COUNT; k++)); do
    e2e_assert_same_bytes "$1/$(slot_name "$k")" "$(slot_file "$k" "$folder")" "$2, slot $k" ||
      return 1
  done
}
