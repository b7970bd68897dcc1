<?php
// A site that writes into its own folder, as a wiki or a blog's media folder does: it writes
// pages of its own (?write=NAME&text=TEXT), changes one of its shipped files (?notice=TEXT),
// and reads any of its files back (?read=PATH).
$dir = __DIR__;
if (isset($_GET['write'])) {
    $written = file_put_contents("$dir/pages/" . basename($_GET['write']), $_GET['text']);
} elseif (isset($_GET['notice'])) {
    $written = file_put_contents("$dir/notice.txt", $_GET['notice']);
} else {
    $file = "$dir/" . $_GET['read'];
    echo is_file($file) ? file_get_contents($file) : 'missing';
    exit;
}
echo $written === false ? 'failed' : 'written';
