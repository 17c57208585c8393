// The images live in the resource object library that qt_add_resources attaches
// to qb_resources; a static library still needs one translation unit of its own.
namespace quillbook_resources {
int anchor()
{
    return 0;
}
} // namespace quillbook_resources
