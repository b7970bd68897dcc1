<?php
// What arrived of an upload, and where PHP kept it.
$file = $_FILES['file'] ?? null;
if (!$file || $file['error'] !== UPLOAD_ERR_OK) {
    echo 'upload failed: ' . ($file['error'] ?? 'nothing sent');
    exit;
}
echo 'md5=' . md5_file($file['tmp_name']) . ' in ' . dirname($file['tmp_name']);
