# Turns README.md into the plain text of the Windows zip's README.txt: a title,
# a preface, the introduction, then the sections named in `sections`, in that
# order, each with its subsections. Names in `sections` are separated by "|";
# one ending in "?" may be missing from README.md, any other must be there, so
# a renamed section cannot silently drop out. Headings become underlined
# titles and code blocks are indented; lines end with CRLF, as Windows text
# files do.
#   awk -v title=TITLE -v preface=TEXT -v sections='A|B?|C' -f readme-text.awk README.md

function underlined(heading, mark, line)
{
    line = heading
    gsub(/./, mark, line)
    return heading "\n" line "\n"
}

# Without the blank lines at either end.
function trimmed(block)
{
    sub(/^\n+/, "", block)
    sub(/\n+$/, "", block)
    return block
}

BEGIN { section = "" }

/^```/ { inCode = !inCode; next }
inCode { text[section] = text[section] "    " $0 "\n"; next }
/^# / { next }
/^## / {
    section = substr($0, 4)
    present[section] = 1
    text[section] = underlined(section, "=")
    next
}
/^### / { text[section] = text[section] underlined(substr($0, 5), "-"); next }
{ text[section] = text[section] $0 "\n" }

END {
    out = underlined(title, "=") "\n" trimmed(preface) "\n\n" trimmed(text[""]) "\n"
    count = split(sections, names, "|")
    for (i = 1; i <= count; i++) {
        name = names[i]
        optional = sub(/\?$/, "", name)
        if (!(name in present)) {
            if (optional) continue
            print "readme-text.awk: README.md has no section \"" name "\"" > "/dev/stderr"
            exit 1
        }
        out = out "\n" trimmed(text[name]) "\n"
    }
    gsub(/\n/, "\r\n", out)
    printf "%s", out
}
